#pragma once

#include <windows.h>
// windows.h first
#include <shellapi.h>

#include <utility>

#include "platform/owned.h"

// Each kind of kernel handle the program takes from the system, with the one call that gives it
// back.
namespace quorvel {

struct HandleTraits {
    using Handle = HANDLE;
    static HANDLE none() { return nullptr; }
    static bool holds(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void giveBack(HANDLE handle) { CloseHandle(handle); }
};
// A kernel object's handle: a file, a process, a thread.
using OwnedHandle = Owned<HandleTraits>;

struct FindTraits {
    using Handle = HANDLE;
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static bool holds(HANDLE search) { return search != INVALID_HANDLE_VALUE; }
    static void giveBack(HANDLE search) { FindClose(search); }
};
// A search of a folder's names (FindFirstFile).
using FindHandle = Owned<FindTraits>;

struct DropTraits {
    using Handle = HDROP;
    static HDROP none() { return nullptr; }
    static bool holds(HDROP drop) { return drop != nullptr; }
    static void giveBack(HDROP drop) { DragFinish(drop); }
};
// The files dropped on a window (WM_DROPFILES).
using DroppedFiles = Owned<DropTraits>;

}  // namespace quorvel
