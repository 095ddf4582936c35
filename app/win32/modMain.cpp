// Start-up: prepare the process, show the one window, run its messages.
#include <windows.h>
#include <commctrl.h>

#include "app/ExplorerCopy.h"
#include "app/MainForm.h"
#include "app/win32/ExplorerDropServer.h"
#include "app/win32/MainWindow.h"
#include "app/win32/UntrappedError.h"
#include "support/win32/Win32Components.h"

namespace {

int RunMessageLoop(lumarind::win32::MainWindow& window) {
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        if (!window.PreviewKey(message)) continue;
        if (window.HandleDialogKeys(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace lumarind;
    try {
        win32::Win32Components components;
        // Explorer's "copy as data URL": no window, and nothing else of a start.
        CommandLineArgs& arguments = components.appServices().CommandLine();
        if (arguments.Count() != 0 && arguments.Item(0) == kCopySwitch) {
            std::vector<std::wstring> paths;
            for (int i = 1; i < arguments.Count(); ++i) paths.push_back(arguments.Item(i));
            return CopyFilesAsDataUrls(paths, components) ? 0 : 1;
        }
        if (arguments.Count() == 1 && win32::IsEmbeddingSwitch(arguments.Item(0))) {
            return win32::ServeExplorerDrop(components);
        }
        tsRegisterAppPath();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        if (!tsIsInIDE()) tsSetWindowResIconAll(tsGetThunderMainHandle(), kIconResourceName);

        win32::MainWindow window(components);
        window.Create();
        window.LoadAndShow();
        const int exitCode = RunMessageLoop(window);
        // A thread stuck in a read or write (a dead network share, a hung
        // device) may still use the document, the components and COM, which
        // the teardown would free under it: the process ends here instead.
        // The window is gone, a long copy is on the clipboard and a stuck
        // save's temporary file is marked for deletion by now.
        if (!window.StopAllWork()) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
        return exitCode;
    } catch (...) {
        win32::ShowUntrappedError(std::current_exception());
        return 1;
    }
}
