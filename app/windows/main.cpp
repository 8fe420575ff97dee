// Korvane on Windows: the window that converts dBase and FoxPro tables to XML.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
// clang-format on

#include "app/ErrorText.h"
#include "app/windows/MainWindow.h"
#include "platform/Console.h"
#include "platform/Exception.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/windows/WidePath.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    using namespace korvane;
    // The manifest asks for per-monitor scaling; this is for systems that do not read it.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    // The file dialogs are COM objects of the window's thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::string title = app::ApplicationTitle(platform::Narrow(program));
    int status = 0;
    try {
        // The application object owns the tables, so one a failed run left open is released at the end.
        TableOwner tables;
        app::win::TForm1 form(instance, tables, platform::SettingsFromLocale(), title);
        // A table named on the command line ("Open with") is chosen at start.
        if (const std::vector<std::string> arguments = platform::ProgramArguments(0, nullptr); !arguments.empty())
            form.ChooseTable(platform::ExpandFileName(arguments.front()));
        ShowWindow(form.Handle(), show);
        UpdateWindow(form.Handle());
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            // Tab moves between the buttons, as in a dialog.
            if (form.Handle() && IsDialogMessageW(form.Handle(), &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        status = static_cast<int>(message.wParam);
    } catch (...) {
        MessageBoxW(nullptr, platform::Wide(CurrentExceptionMessage()).c_str(), platform::Wide(title).c_str(),
                    MB_OK | MB_ICONSTOP);
        status = 1;
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return status;
}
