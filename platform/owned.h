#pragma once

#include <utility>

namespace quorvel {

// One handle the program took from the system, given back when the object goes. `Traits` names
// the kind: its handle type, the value that holds none, and the call that gives one back.
template <typename Traits>
class Owned {
  public:
    using Handle = typename Traits::Handle;

    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~Owned() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return Traits::holds(handle_); }
    Handle release() { return std::exchange(handle_, Traits::none()); }
    void reset(Handle handle = Traits::none()) {
        if (Traits::holds(handle_)) Traits::giveBack(handle_);
        handle_ = handle;
    }

  private:
    Handle handle_ = Traits::none();
};

}  // namespace quorvel
