#pragma once

// The Windows dialog calls the picker module makes. On Windows they are the system's own; on
// other systems they are our stand-ins with the same records and signatures, which show the
// toolkit's dialogs (the owner handle is the toolkit's DialogHost).
#ifdef _WIN32
#include <windows.h>
// windows.h first
#include <commdlg.h>
#include <shlobj.h>
#else
#include <cstdint>

namespace quorvel {
class DialogHost;
}

using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned;
using LPARAM = std::intptr_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using HWND = quorvel::DialogHost*;
using HINSTANCE = void*;

// An item list names one chosen folder by its path; an empty path is a folder without one.
struct ITEMIDLIST;
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using BFFCALLBACK = int (*)(HWND, UINT, LPARAM, LPARAM);

struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    void* lpfnHook;
    LPCSTR lpTemplateName;
};

struct BROWSEINFOA {
    HWND hwndOwner;
    LPCITEMIDLIST pidlRoot;
    LPSTR pszDisplayName;
    LPCSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
};

inline constexpr DWORD OFN_HIDEREADONLY = 0x4;
inline constexpr DWORD OFN_ALLOWMULTISELECT = 0x200;
inline constexpr DWORD OFN_CREATEPROMPT = 0x2000;
inline constexpr DWORD OFN_EXPLORER = 0x80000;
inline constexpr DWORD OFN_NODEREFERENCELINKS = 0x100000;
inline constexpr DWORD OFN_LONGNAMES = 0x200000;
inline constexpr UINT BIF_RETURNONLYFSDIRS = 0x1;

BOOL GetOpenFileNameA(OPENFILENAMEA* record);
LPITEMIDLIST SHBrowseForFolderA(BROWSEINFOA* record);
BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path);
void CoTaskMemFree(LPVOID list);
LPSTR lstrcatA(LPSTR text, LPCSTR more);
#endif
