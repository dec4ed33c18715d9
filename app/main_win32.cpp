// Start-up of the Windows program: the window is shown, with the file it is given, if any
// ("Open with", a file dragged onto Quorvel.exe), taken as the source picker takes it, and its
// events handled until it closes.
#include <windows.h>
// windows.h first
#include <objbase.h>
#include <shellapi.h>

#include <exception>
#include <string>

#include "app/frm_main.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_toolkit.h"

namespace {

// The first argument after the program's own name, in full Unicode; empty when there is none.
std::string firstArgument() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return "";
    const std::string first = count > 1 ? quorvel::narrowed(arguments[1]) : std::string();
    LocalFree(arguments);
    return first;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The file dialog and the folder browser are COM objects.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    int exitCode = 1;
    try {
        quorvel::Win32Toolkit toolkit(instance);
        quorvel::frmMain form(toolkit);
        form.show();
        if (const std::string file = firstArgument(); !file.empty()) form.takeFile(file);
        exitCode = toolkit.run();
    } catch (const std::exception& error) {
        MessageBoxW(nullptr, quorvel::widened(error.what()).c_str(), L"Quorvel",
                    MB_ICONERROR | MB_OK);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
