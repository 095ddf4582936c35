// What the form's behaviour needs of the real window: the text box, the
// caption, the timer, message boxes, the wait cursor and closing. The Win32
// window implements it; tests use a fake.
#pragma once

#include <optional>
#include <string>

#include "app/BackgroundWork.h"
#include "builder/TextBox.h"
#include "support/SupportFunctions.h"

namespace lumarind {

class FormView {
public:
    virtual ~FormView() = default;
    virtual TextBox& txtData() = 0;
    virtual std::wstring Caption() const = 0;
    virtual void SetCaption(const std::wstring& caption) = 0;
    virtual void DisableTimer() = 0;
    virtual WindowHandle Handle() const = 0;
    // The active window of the calling thread, owner of the file dialogs.
    virtual WindowHandle ActiveWindow() const = 0;
    // A plain message box: information icon, OK, the application title.
    virtual void ShowInformation(const std::wstring& text) = 0;
    virtual void SetBusy(bool busy) = 0;
    // Unloads the window, which ends the program.
    virtual void Unload() = 0;

    // Runs job beside the window's thread, showing its progress, then done on
    // the window's thread. Work already running is cancelled first and its
    // done runs before the new job starts. A view without a thread of its own
    // runs both at once.
    virtual void RunBeside(WorkKind, WorkJob job, WorkDone done) {
        WorkProgress progress;
        job(progress);
        done(false);
    }
    // Asks the running work to stop; false when none runs.
    virtual bool CancelWork() { return false; }
    virtual std::optional<WorkKind> CurrentWork() const { return std::nullopt; }
};

}  // namespace lumarind
