#include "platform/module1.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/dialog_buffers.h"
#include "platform/process.h"
#include "platform/win32_api.h"

// Texts cross into the dialogs unchanged: the ANSI code page is UTF-8 here (on Windows through
// the program's manifest), so any file name makes the round trip.
namespace quorvel::Module1 {
namespace {

// The size of the record up to its extended flags, as the dialog has always accepted it.
constexpr DWORD openRecordSize = 76;
constexpr DWORD openFlags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_CREATEPROMPT |
                            OFN_EXPLORER | OFN_NODEREFERENCELINKS | OFN_LONGNAMES;
constexpr std::size_t fileTitleLength = 510;

std::vector<char> filledBuffer(std::size_t length, char fill) {
    std::vector<char> buffer(length + 1, fill);
    buffer.back() = '\0';
    return buffer;
}

// The text before the first NUL, or the whole buffer when it holds none.
std::string textBeforeNul(const std::vector<char>& buffer, std::size_t length) {
    const auto end = buffer.begin() + static_cast<std::ptrdiff_t>(length);
    return std::string(buffer.begin(), std::find(buffer.begin(), end, '\0'));
}

HWND ownerHandle(const Toolkit& owner) {
    return static_cast<HWND>(owner.windowHandle());
}

}  // namespace

std::string ShowOpenFileDialog(const Toolkit& owner, const std::string& filter,
                               const std::string& title, const std::string& defaultText) {
    std::string filterList = filter;
    std::replace(filterList.begin(), filterList.end(), '|', '\0');
    filterList += std::string(2, '\0');
    std::vector<char> file = filledBuffer(dialogBuffers::file, ' ');
    std::vector<char> fileTitle = filledBuffer(fileTitleLength, ' ');
    const std::string initialFolder = executableFolder();

    OPENFILENAMEA record{};
    record.lStructSize = openRecordSize;
    record.hwndOwner = ownerHandle(owner);
    record.hInstance = static_cast<HINSTANCE>(moduleInstance());
    record.lpstrFilter = filterList.c_str();
    record.lpstrFile = file.data();
    record.nMaxFile = static_cast<DWORD>(file.size());
    record.lpstrFileTitle = fileTitle.data();
    record.nMaxFileTitle = static_cast<DWORD>(fileTitle.size());
    record.lpstrInitialDir = initialFolder.c_str();
    record.lpstrTitle = title.c_str();
    record.Flags = openFlags;
    if (GetOpenFileNameA(&record) == 0) return defaultText;
    return textBeforeNul(file, dialogBuffers::file);
}

std::string BrowseForFolder(const Toolkit& owner, const std::string& title) {
    std::string ansiTitle = title;
    BROWSEINFOA record{};
    record.hwndOwner = ownerHandle(owner);
    record.lpszTitle = lstrcatA(ansiTitle.data(), "");
    record.ulFlags = BIF_RETURNONLYFSDIRS;

    const auto freeList = [](LPITEMIDLIST list) { CoTaskMemFree(list); };
    const std::unique_ptr<ITEMIDLIST, decltype(freeList)> list(SHBrowseForFolderA(&record),
                                                               freeList);
    if (!list) return "";
    std::vector<char> folder(dialogBuffers::folder, '\0');
    SHGetPathFromIDListA(list.get(), folder.data());
    return textBeforeNul(folder, folder.size());
}

}  // namespace quorvel::Module1
