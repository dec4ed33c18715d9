// Our stand-ins for the Windows dialog calls on systems without them. They keep the calls'
// contracts: the result in the caller's buffers, 0 for a cancelled or failed call.
#include <climits>
#include <cstring>
#include <string>

#include "platform/dialog_host.h"
#include "platform/win32_api.h"

struct ITEMIDLIST {
    std::string path;
};

namespace {

// One file comes back as its path; several as the folder, then each name, each ended by a NUL,
// and one more NUL at the end.
std::string fileBufferText(const std::vector<std::string>& files) {
    if (files.size() == 1) return files.front();
    const std::string& first = files.front();
    const std::string folder = first.substr(0, first.rfind('/'));
    std::string text = folder.empty() ? "/" : folder;
    for (const std::string& file : files) text += '\0' + file.substr(file.rfind('/') + 1);
    return text + '\0';
}

}  // namespace

BOOL GetOpenFileNameA(OPENFILENAMEA* record) {
    std::vector<std::string> files = record->hwndOwner->chooseFiles(*record);
    if (files.empty()) return 0;
    if (!(record->Flags & OFN_ALLOWMULTISELECT)) files.resize(1);
    const std::string text = fileBufferText(files);
    if (text.size() + 1 > record->nMaxFile) return 0;  // the buffer is too small
    std::memcpy(record->lpstrFile, text.c_str(), text.size() + 1);
    return 1;
}

LPITEMIDLIST SHBrowseForFolderA(BROWSEINFOA* record) {
    const auto folder = record->hwndOwner->chooseFolder(*record);
    return folder ? new ITEMIDLIST{*folder} : nullptr;
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path) {
    // The caller's buffer holds any path the system allows (platform/dialog_buffers.h).
    if (list->path.empty() || list->path.size() >= PATH_MAX) return 0;
    std::memcpy(path, list->path.c_str(), list->path.size() + 1);
    return 1;
}

// Item lists are the only memory the program hands back this way.
void CoTaskMemFree(LPVOID list) {
    delete static_cast<ITEMIDLIST*>(list);
}

LPSTR lstrcatA(LPSTR text, LPCSTR more) {
    return std::strcat(text, more);
}
