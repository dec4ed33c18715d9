#include "bench/slow_medium.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <vector>

#include "bench/commands.h"

namespace quorvel::bench {
namespace {

namespace fs = std::filesystem;

// A command the medium needs: if it fails, the machine cannot give the medium.
void require(const Command& command) {
    try {
        run(command);
    } catch (const std::runtime_error& error) {
        throw MediumUnavailable(error.what());
    }
}

// Each step of the teardown is tried whatever the one before did; a failure is only reported.
template <class Step>
void undo(const std::string& what, Step step) {
    try {
        step();
    } catch (const std::exception& error) {
        std::cerr << "quorvel_bench: could not undo " << what << ": " << error.what() << '\n';
    }
}

// Control files take one write; their errors come from it, which a stream would hide.
void writeControl(const fs::path& file, const std::string& text) {
    const int handle = ::open(file.c_str(), O_WRONLY);
    const bool written = handle >= 0 && ::write(handle, text.data(), text.size()) ==
                                            static_cast<ssize_t>(text.size());
    const int error = errno;
    if (handle >= 0) ::close(handle);
    if (!written) {
        throw MediumUnavailable("Cannot write \"" + text + "\" to " + file.string() + ": " +
                                std::strerror(error));
    }
}

std::vector<std::string> wordsOf(const std::string& text, char separator) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; std::getline(in, word, separator);) {
        if (!word.empty()) words.push_back(word);
    }
    return words;
}

bool contains(const std::vector<std::string>& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

std::string firstLine(const fs::path& file) {
    std::string line;
    std::ifstream in(file);
    std::getline(in, line);
    return line;
}

// Where a cgroup hierarchy is mounted: the v2 one ("cgroup2"), or the v1 one ("cgroup") whose
// options name `controller`.
std::optional<fs::path> cgroupMount(const std::string& type, const std::string& controller) {
    std::ifstream mounts("/proc/mounts");
    for (std::string line; std::getline(mounts, line);) {
        const std::vector<std::string> fields = wordsOf(line, ' ');
        if (fields.size() < 4 || fields[2] != type) continue;
        if (controller.empty() || contains(wordsOf(fields[3], ','), controller)) return fields[1];
    }
    return std::nullopt;
}

// An empty image of `capacity` bytes with ext4 on it, made in full now: inode tables and journal
// left for later would be written by the kernel in the background at the throttled pace, during
// the runs.
fs::path makeImage(const fs::path& folder, std::int64_t capacity) {
    const fs::path image = folder / "medium.img";
    std::ofstream(image).close();
    fs::resize_file(image, static_cast<std::uintmax_t>(capacity));
    require(
        {{"mkfs.ext4", "-q", "-F", "-E", "lazy_itable_init=0,lazy_journal_init=0", image}, folder});
    return image;
}

// The image as a block device. Direct I/O to the image keeps its bytes out of a second page
// cache, so the device's writes reach the disk as a stick's would.
class LoopDevice {
  public:
    LoopDevice(const fs::path& image, const fs::path& folder) {
        const fs::path shown = folder / "loop-device";
        require({{"losetup", "--find", "--show", "--direct-io=on", image}, folder, shown});
        std::ifstream(shown) >> path;
        struct stat status {};
        if (path.empty() || ::stat(path.c_str(), &status) != 0) {
            throw MediumUnavailable("losetup named no loop device for " + image.string());
        }
        number =
            std::to_string(major(status.st_rdev)) + ":" + std::to_string(minor(status.st_rdev));
        directIo = firstLine("/sys/dev/block/" + number + "/loop/dio") == "1";
    }
    ~LoopDevice() {
        undo("the loop device " + path, [&] { run({{"losetup", "--detach", path}, "/"}); });
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    std::string path;
    std::string number;  // major:minor, as the cgroup files name a device
    bool directIo = false;
};

class Mount {
  public:
    Mount(const std::string& device, const fs::path& folder) : point(folder) {
        fs::create_directories(point);
        require({{"mount", "-t", "ext4", device, point}, "/"});
    }
    // A mount still busy is detached from the tree at least, and goes once its last user does.
    ~Mount() {
        undo("the mount " + point.string(), [&] {
            try {
                run({{"umount", point}, "/"});
            } catch (const std::runtime_error&) {
                run({{"umount", "--lazy", point}, "/"});
                throw;
            }
        });
    }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;

    fs::path point;
};

// The write limit on one device. cgroup v2 charges the page cache's writeback to the cgroup that
// dirtied the pages once its io and memory controllers are both on: the measured processes run in
// a cgroup of their own with the limit in io.max. cgroup v1 charges all writeback to its root
// cgroup, so only a limit there holds for it; it is set for this one device, whoever writes.
class WriteThrottle {
  public:
    WriteThrottle(const std::string& device, std::int64_t bytesPerSecond) : device_(device) {
        const std::string rate = std::to_string(bytesPerSecond);
        const std::optional<fs::path> v2 = cgroupMount("cgroup2", "");
        const std::vector<std::string> controllers =
            v2 ? wordsOf(firstLine(*v2 / "cgroup.controllers"), ' ') : std::vector<std::string>{};
        if (contains(controllers, "io") && contains(controllers, "memory")) {
            writeControl(*v2 / "cgroup.subtree_control", "+io +memory");
            cgroup_ = *v2 / ("quorvel-bench-" + std::to_string(::getpid()));
            if (::mkdir(cgroup_.c_str(), 0755) != 0) {
                throw MediumUnavailable("Cannot make " + cgroup_.string() + ": " +
                                        std::strerror(errno));
            }
            try {
                writeControl(cgroup_ / "io.max", device + " wbps=" + rate);
            } catch (const MediumUnavailable&) {
                ::rmdir(cgroup_.c_str());
                throw;
            }
            procs = cgroup_ / "cgroup.procs";
            how = "io.max of cgroup v2 " + cgroup_.string() + " (io and memory controllers on)";
            return;
        }
        const std::optional<fs::path> v1 = cgroupMount("cgroup", "blkio");
        if (!v1) {
            throw MediumUnavailable(
                "no cgroup here throttles writeback: cgroup v2 lacks the io and memory "
                "controllers, and no cgroup v1 blkio hierarchy is mounted");
        }
        limit_ = *v1 / "blkio.throttle.write_bps_device";
        writeControl(limit_, device + " " + rate);
        how = "cgroup v1 " + limit_.string() + " of the root cgroup (every writer)";
    }
    ~WriteThrottle() {
        if (!cgroup_.empty()) {
            undo("the cgroup " + cgroup_.string(), [&] {
                if (::rmdir(cgroup_.c_str()) != 0) throw std::runtime_error(std::strerror(errno));
            });
        } else {
            undo("the write limit on " + device_, [&] { writeControl(limit_, device_ + " 0"); });
        }
    }
    WriteThrottle(const WriteThrottle&) = delete;
    WriteThrottle& operator=(const WriteThrottle&) = delete;

    std::string procs;
    std::string how;

  private:
    std::string device_;
    fs::path cgroup_, limit_;
};

// How fast bytes reach the medium: dd's buffered writes, then a sync of the file system.
double measurePace(const fs::path& mount, const std::string& procs) {
    constexpr int probeMib = 32;
    const Command write{{"dd", "if=/dev/zero", "of=probe", "bs=1M",
                         "count=" + std::to_string(probeMib), "status=none"},
                        mount,
                        "/dev/null",
                        procs};
    const Command sync{{"sync", "-f", "."}, mount, "/dev/null", procs};
    const double seconds = run(write).seconds + run(sync).seconds;
    fs::remove(mount / "probe");
    run(sync);
    return probeMib * 1048576.0 / seconds;
}

std::string megabytes(double bytesPerSecond) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB/s", bytesPerSecond / 1e6);
    return text;
}

}  // namespace

// Built in this order and undone in the reverse: the limit goes before the mount, and the mount
// before the device, which another program may take as soon as it is free.
struct SlowMedium::Parts {
    Parts(const fs::path& folder, std::int64_t capacity, std::int64_t bytesPerSecond)
        : loop(makeImage(folder, capacity), folder),
          mount(loop.path, folder / "mnt"),
          throttle(loop.number, bytesPerSecond) {}

    LoopDevice loop;
    Mount mount;
    WriteThrottle throttle;
};

SlowMedium::SlowMedium(const fs::path& folder, std::int64_t capacity, std::int64_t bytesPerSecond) {
    if (::geteuid() != 0) {
        throw MediumUnavailable("not root: loop devices, mounts and cgroups need root");
    }
    fs::create_directories(folder);
    parts_ = std::make_unique<Parts>(folder, capacity, bytesPerSecond);
    // A new file system's first writes cost more than the medium's pace; they are made here, not
    // in the first run measured.
    measurePace(mountPoint(), cgroupProcs());
    const double pace = measurePace(mountPoint(), cgroupProcs());
    if (pace > 1.25 * static_cast<double>(bytesPerSecond)) {
        throw MediumUnavailable("the write limit does not hold: dd + sync wrote at " +
                                megabytes(pace));
    }
    description_ = "ext4 on " + parts_->loop.path +
                   (parts_->loop.directIo ? " (direct I/O to its image)" : " (buffered image)") +
                   ", writes limited to " + megabytes(static_cast<double>(bytesPerSecond)) +
                   " by " + parts_->throttle.how + "; dd + sync: " + megabytes(pace);
}

SlowMedium::~SlowMedium() = default;

const fs::path& SlowMedium::mountPoint() const {
    return parts_->mount.point;
}

const std::string& SlowMedium::cgroupProcs() const {
    return parts_->throttle.procs;
}

const std::string& SlowMedium::description() const {
    return description_;
}

}  // namespace quorvel::bench
