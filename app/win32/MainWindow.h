// The window frmMain: its controls, laid out from the twips table, and the
// dispatch of its messages to MainForm. It is also the form's view.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>

#include "app/FormView.h"
#include "app/MainForm.h"
#include "app/win32/BackgroundTask.h"
#include "app/win32/DataDropTarget.h"
#include "app/win32/ProgressPanel.h"
#include "support/win32/UniqueHandle.h"

namespace lumarind::win32 {

class MainWindow : public FormView, private TextBox {
public:
    explicit MainWindow(Components& components);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    // Creates the window and its controls, hidden.
    void Create();
    // Runs the load handler, then shows the window with the text box focused.
    void LoadAndShow();
    // Stops all work, as the window does when it closes or the session
    // ends. False when work was still running when stopped (stuck in a read
    // or write), now or before: the program must then end without tearing
    // down what that work may still touch.
    bool StopAllWork();
    HWND hwnd() const { return window_; }
    // Key preview: gives a key-down to the form before the focused control
    // sees it. False when the key is used up: it has closed the window, or
    // it repeats a held Esc.
    bool PreviewKey(const MSG& message);
    // Keyboard navigation: Tab and Shift+Tab between the controls, Space on
    // a button. True when the message has been dealt with.
    bool HandleDialogKeys(MSG& message);

    // FormView
    TextBox& txtData() override { return *this; }
    std::wstring Caption() const override;
    void SetCaption(const std::wstring& caption) override;
    void DisableTimer() override;
    WindowHandle Handle() const override { return window_; }
    WindowHandle ActiveWindow() const override { return GetActiveWindow(); }
    void ShowInformation(const std::wstring& text) override;
    void SetBusy(bool busy) override;
    void Unload() override;
    void RunBeside(WorkKind kind, WorkJob job, WorkDone done) override;
    bool CancelWork() override;
    std::optional<WorkKind> CurrentWork() const override;

private:
    // TextBox: the text box's text, and the document in its narrowest form.
    // The Tag is its 16-bit form, made only when asked for.
    std::wstring Text() const override;
    void SetText(const std::wstring& text) override;
    const std::wstring& Tag() const override;
    void SetTag(std::wstring text) override { document_ = DocumentText(std::move(text)); }
    void SetDocument(DocumentText text) override { document_ = std::move(text); }
    TextView Document() const override { return document_.View(); }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    // Places every control and gives it the font for this DPI.
    void LayOut(int dpi);
    void OnDpiChanged(int dpi, const RECT& suggested);
    void OnCommand(int id, int notification);
    void OnDropFiles(HDROP drop);
    bool TabOutOfTextBox(const MSG& message);
    // Long work: the commands it conflicts with are disabled while it runs,
    // and its progress shown once it has lasted a moment.
    void OnWorkFinished(WPARAM number);
    void OnProgressTimer();
    void EnableCommandsFor(std::optional<WorkKind> work);
    // Runs a handler; an error it does not trap ends the program.
    template <typename Handler>
    void Guarded(Handler&& handler) noexcept;

    // OLE, which the drop target needs, on the window's thread for as long as
    // the window lives.
    class OleScope {
    public:
        OleScope() : initialised_(SUCCEEDED(OleInitialize(nullptr))) {}
        OleScope(const OleScope&) = delete;
        OleScope& operator=(const OleScope&) = delete;
        ~OleScope() {
            if (initialised_) OleUninitialize();
        }

    private:
        bool initialised_;
    };
    void OnDataDropped();

    OleScope ole_;
    MainForm form_;
    HWND window_ = nullptr;
    HWND textBox_ = nullptr;
    HWND lastFocus_ = nullptr;
    UniqueGdiObject font_;
    DocumentText document_;
    mutable std::wstring wideTag_;
    std::unique_ptr<BackgroundTask> work_;
    ProgressPanel progress_;
    bool workLeftRunning_ = false;
    int busyCount_ = 0;
    bool timerRunning_ = false;
    // What a drag brought, until the window takes it after the drop.
    struct DroppedData {
        ClipboardContent content;
        std::optional<Error> error;
    };
    std::optional<DroppedData> droppedData_;
    DataDropTarget dropTarget_;
};

}  // namespace lumarind::win32
