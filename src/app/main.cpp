// Program entry: COM for the user-interface thread, the common controls, the application
// window with the title, then the main window and the message loop.
#include <windows.h>

#include <commctrl.h>

#include "app/AppException.h"
#include "app/Application.h"
#include "app/MainForm.h"
#include "platform/BusyRetry.h"
#include "platform/ComInit.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    // Every Outlook, MAPI-table and security-manager object lives in this apartment.
    gleaner::ComInit com;
    // Outlook rejects calls while it shows a dialog or synchronises: wait for it a while.
    gleaner::BusyMessageFilter busyFilter;

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    gleaner::TApplication application;
    if (!application.Create()) return 1;

    int result = 1;
    gleaner::RunGuarded([&] {
        gleaner::TForm1 form;
        HWND window = form.Create(application.hwnd());
        application.SetMainForm(window);
        application.SetAccelerators(form.Accelerators());
        application.Show();
        ::ShowWindow(window, showCommand);
        ::UpdateWindow(window);
        result = application.Run();
    });
    return result;
}
