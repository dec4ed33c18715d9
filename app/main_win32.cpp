// Start-up of the Windows program: the window is shown and its events handled until it closes.
#include <windows.h>
// windows.h first
#include <objbase.h>

#include <exception>

#include "app/frm_main.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_toolkit.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The file dialog and the folder browser are COM objects.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    int exitCode = 1;
    try {
        quorvel::Win32Toolkit toolkit(instance);
        quorvel::frmMain form(toolkit);
        form.show();
        exitCode = toolkit.run();
    } catch (const std::exception& error) {
        MessageBoxW(nullptr, quorvel::widened(error.what()).c_str(), L"Quorvel",
                    MB_ICONERROR | MB_OK);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
