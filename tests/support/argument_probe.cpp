// Stands in for a browser in the tests: writes how many arguments it got and each of them, one a
// line, to "<its own path>.args", so a test can see exactly what a started program received.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring report = std::wstring(self, length) + L".args";
    {
        std::ofstream out(std::filesystem::path(report + L".tmp"), std::ios::binary);
        out << argc - 1 << '\n';
        for (int i = 1; i < argc; ++i) out << argv[i] << '\n';
    }
    // Renamed into place, so the report is never read half written.
    return MoveFileW((report + L".tmp").c_str(), report.c_str()) ? 0 : 1;
}
