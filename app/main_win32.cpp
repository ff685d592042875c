// Start-up of the Win32 window: create Form1, show it, run the message loop.
#include "core/system/windows/WideText.h"
#include "ui/win32/Form1.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    leitzahl::Form1 window(instance);
    ShowWindow(window.handle(), show);
    UpdateWindow(window.handle());
    // "leitzahl.exe FILE", as Explorer's "Open with" or cmd.exe starts it: opened once
    // the window shows, as if chosen in the open dialog.
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments != nullptr && count > 1) {
        window.OpenHandedOverFile(leitzahl::Narrow(arguments[1]));
    }
    LocalFree(arguments);
    return leitzahl::RunMessageLoop(window);
}
