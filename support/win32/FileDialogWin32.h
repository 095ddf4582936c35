#pragma once

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

// The system's Open and Save dialogs (GetOpenFileNameW, GetSaveFileNameW).
class FileDialogWin32 : public FileDialog {
public:
    void SetOwnerWindow(WindowHandle owner) override { owner_ = owner; }
    void SetFilter(const std::wstring& filter) override { filter_ = filter; }
    void SetFilterIndex(int index) override { filterIndex_ = index; }
    int FilterIndex() const override { return filterIndex_; }
    void SetInitDir(const std::wstring& folder) override { initDir_ = folder; }
    void SetFileName(const std::wstring& path) override { fileName_ = path; }
    std::wstring FileName() const override { return fileName_; }
    bool ShowOpen() override;
    bool ShowSave() override;

    // "label|pattern|label|pattern" in the form the dialog takes: every item
    // ended by NUL, the list by one more.
    static std::wstring SystemFilter(const std::wstring& filter);

private:
    bool Show(bool save);

    WindowHandle owner_ = nullptr;
    std::wstring filter_;
    int filterIndex_ = 0;
    std::wstring initDir_;
    std::wstring fileName_;
};

}  // namespace lumarind::win32
