// Fakes of every component and of the window, scripted by the form's tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/FormView.h"
#include "builder/DataUrl.h"
#include "support/ComponentObjects.h"
#include "tests/unit/FakeRegistryReader.h"
#include "tests/unit/FakeTextBox.h"

namespace lumarind::testing {

// A file's content given a few bytes at a time, as a disk may give it; its
// size is the one it had when opened, so it may have shrunk or grown since.
// A read fails once failAt bytes have been given.
class FakeFileContent : public FileContent {
public:
    FakeFileContent(std::string bytes, std::uint64_t size, std::size_t mostPerRead = SIZE_MAX,
                    std::optional<std::size_t> failAt = std::nullopt)
        : bytes_(std::move(bytes)), size_(size), mostPerRead_(mostPerRead), failAt_(failAt) {}
    std::uint64_t Size() const override { return size_; }
    std::size_t Read(char* buffer, std::size_t capacity) override {
        if (failAt_ && at_ >= *failAt_) throw Error(23, L"Data error (cyclic redundancy check).");
        std::size_t most = std::min(capacity, mostPerRead_);
        if (failAt_) most = std::min(most, *failAt_ - at_);
        const std::size_t count = bytes_.copy(buffer, most, at_);
        at_ += count;
        return count;
    }

private:
    std::string bytes_;
    std::uint64_t size_;
    std::size_t mostPerRead_;
    std::optional<std::size_t> failAt_;
    std::size_t at_ = 0;
};

class FakeFileAccess : public FileAccess {
public:
    // Opens as ReadFile reads; the next content read fails part-way when
    // readFailureAt says where.
    std::unique_ptr<FileContent> OpenContent(const std::wstring& path) override {
        std::int32_t scratch1 = 0, scratch2 = 0, scratch3 = 0;
        bool scratch4 = false;
        std::string bytes = ReadFile(path, true, 1, 0, 0, scratch1, scratch2, scratch3, scratch4);
        const std::uint64_t size = bytes.size();
        return std::make_unique<FakeFileContent>(std::move(bytes), size, SIZE_MAX, std::exchange(readFailureAt, {}));
    }
    std::string ReadFile(const std::wstring& path, bool, int, int, int, std::int32_t&, std::int32_t&,
                         std::int32_t&, bool&) override {
        reads.push_back(path);
        if (!readFailures.empty()) {
            const Error error = readFailures.front();
            readFailures.pop_front();
            throw error;
        }
        const auto found = files.find(path);
        if (found == files.end()) throw Error(2, L"The system cannot find the file specified.");
        return found->second;
    }
    void WriteFile(const std::wstring& path, std::wstring_view text, bool, int, int, int, std::int32_t&,
                   TextForm form) override {
        writes.push_back(path);
        if (!writeFailures.empty()) {
            const Error error = writeFailures.front();
            writeFailures.pop_front();
            throw error;
        }
        written[path] = form == TextForm::kOneLine ? OneLineForm(text) : std::wstring(text);
    }
    void WriteBytes(const std::wstring& path, std::string_view bytes, WorkProgress* progress) override {
        writes.push_back(path);
        if (progress != nullptr) progress->ThrowIfCancelled();
        if (!writeFailures.empty()) {
            const Error error = writeFailures.front();
            writeFailures.pop_front();
            throw error;
        }
        writtenBytes[path] = std::string(bytes);
    }

    std::map<std::wstring, std::string> files;
    std::deque<Error> readFailures;
    std::optional<std::size_t> readFailureAt;
    std::deque<Error> writeFailures;
    std::vector<std::wstring> reads;
    std::vector<std::wstring> writes;
    std::map<std::wstring, std::wstring> written;
    std::map<std::wstring, std::string> writtenBytes;
};

struct ShownError {
    std::int32_t number;
    int style;
    std::wstring message;
};

class FakeErrorBox : public ErrorBox {
public:
    int ShowError(const Error& error, int style, int, const std::wstring& message, bool) override {
        shown.push_back({error.number(), style, message});
        shownText.push_back(error.description());
        if (answers.empty()) return 2;  // Cancel
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<ShownError> shown;
    std::vector<std::wstring> shownText;
    std::deque<int> answers;
};

class FakeClipboard : public ClipboardText {
public:
    void Clear(std::int32_t&) override {
        if (failClear) throw Error(5, L"Access is denied.");
        text.reset();
    }
    void SetText(std::wstring_view value, std::int32_t&, TextForm form) override {
        if (failSet) throw Error(5, L"Access is denied.");
        if (outOfMemoryOnSet) throw std::bad_alloc();
        text = form == TextForm::kOneLine ? OneLineForm(value) : std::wstring(value);
    }
    // What a paste finds; a paste fails while getFailures has any.
    ClipboardContent GetContent(std::int32_t&) override {
        ++gets;
        if (!getFailures.empty()) {
            const Error error = getFailures.front();
            getFailures.pop_front();
            throw error;
        }
        return content;
    }

    void KeepPromiseNow() override {
        if (failKeepPromise) throw Error(5, L"Access is denied.");
    }

    std::optional<std::wstring> text = L"before";
    bool failKeepPromise = false;
    bool failClear = false;
    bool failSet = false;
    // As rendering the clipboard's copy fails when memory runs out.
    bool outOfMemoryOnSet = false;
    ClipboardContent content;
    std::deque<Error> getFailures;
    int gets = 0;
};

struct DialogScript {
    bool confirm = false;
    std::wstring fileName;
    int filterIndex = 0;
};

struct DialogRecord {
    bool save = false;
    std::wstring filter;
    int filterIndex = -1;
    std::wstring initDir;
    WindowHandle owner = nullptr;
};

class FakeFileDialog : public FileDialog {
public:
    FakeFileDialog(DialogScript script, std::vector<DialogRecord>& records) : script_(script), records_(records) {}
    void SetOwnerWindow(WindowHandle owner) override { record_.owner = owner; }
    void SetFilter(const std::wstring& filter) override { record_.filter = filter; }
    void SetFilterIndex(int index) override { filterIndex_ = record_.filterIndex = index; }
    int FilterIndex() const override { return filterIndex_; }
    void SetInitDir(const std::wstring& folder) override { record_.initDir = folder; }
    void SetFileName(const std::wstring& path) override { fileName_ = path; }
    std::wstring FileName() const override { return fileName_; }
    bool ShowOpen() override { return Show(false); }
    bool ShowSave() override { return Show(true); }

private:
    bool Show(bool save) {
        record_.save = save;
        records_.push_back(record_);
        if (script_.confirm) {
            fileName_ = script_.fileName;
            filterIndex_ = script_.filterIndex;
        }
        return script_.confirm;
    }

    DialogScript script_;
    std::vector<DialogRecord>& records_;
    DialogRecord record_;
    int filterIndex_ = 0;
    std::wstring fileName_;
};

// Settings kept in a map; a store that cannot be read or written (a key
// without access rights, say) when told to fail.
struct SettingsFailures {
    bool read = false;
    bool write = false;
};

class FakeSettingsStore : public SettingsStore {
public:
    FakeSettingsStore(std::map<std::wstring, std::wstring>& values, const SettingsFailures& failures)
        : values_(values), failures_(failures) {}
    std::wstring GetSetting(const std::wstring& section, const std::wstring& key, int, const ApplicationInfo&,
                            const std::wstring& defaultValue, bool, std::int32_t&) override {
        if (failures_.read) throw Error(5, L"Access is denied.");
        const auto found = values_.find(section + L"/" + key);
        return found == values_.end() ? defaultValue : found->second;
    }
    void SaveSetting(const std::wstring& section, const std::wstring& key, int, const std::wstring& value,
                     const ApplicationInfo&, bool, std::int32_t&) override {
        if (failures_.write) throw Error(5, L"Access is denied.");
        values_[section + L"/" + key] = value;
    }

private:
    std::map<std::wstring, std::wstring>& values_;
    SettingsFailures failures_;
};

class FakeCommandLine : public CommandLineArgs {
public:
    int Count() const override { return static_cast<int>(arguments.size()); }
    std::wstring Item(int index) const override { return arguments.at(static_cast<std::size_t>(index)); }
    void SetCommandLine(const std::wstring&, bool) override { setCommandLineCalled = true; }

    std::vector<std::wstring> arguments;
    bool setCommandLineCalled = false;
};

class FakeAppServices : public AppServices {
public:
    CommandLineArgs& CommandLine() override { return commandLine; }
    void ShowAbout(WindowHandle owner, const ApplicationInfo& application, const std::wstring& extra,
                   const void* picture, const std::wstring& dedication) override {
        aboutShown.push_back({owner, application.title, extra, picture, dedication});
    }

    struct About {
        WindowHandle owner;
        std::wstring title;
        std::wstring extra;
        const void* picture;
        std::wstring dedication;
    };
    FakeCommandLine commandLine;
    std::vector<About> aboutShown;
};

class FakeComponents : public Components {
public:
    FakeComponents() { app.title = L"Tolvarn - Lumarind"; }
    FileAccess& fileAccess() override { return files; }
    ErrorBox& errorBox() override { return errors; }
    ClipboardText& clipboardText() override { return clipboard; }
    AppServices& appServices() override { return services; }
    std::unique_ptr<FileDialog> newFileDialog() override {
        DialogScript script = dialogScripts.empty() ? DialogScript{} : dialogScripts.front();
        if (!dialogScripts.empty()) dialogScripts.pop_front();
        return std::make_unique<FakeFileDialog>(script, dialogs);
    }
    std::unique_ptr<SettingsStore> newSettingsStore() override {
        return std::make_unique<FakeSettingsStore>(settings, settingsFailures);
    }
    std::unique_ptr<RegistryReader> newRegistryReader() override { return registry.NewReader(); }
    const ApplicationInfo& application() override { return app; }

    ApplicationInfo app;
    FakeFileAccess files;
    FakeErrorBox errors;
    FakeClipboard clipboard;
    FakeAppServices services;
    FakeRegistry registry;
    std::deque<DialogScript> dialogScripts;
    std::vector<DialogRecord> dialogs;
    std::map<std::wstring, std::wstring> settings;
    SettingsFailures settingsFailures;
};

class FakeView : public FormView {
public:
    TextBox& txtData() override { return textBox; }
    std::wstring Caption() const override { return caption; }
    void SetCaption(const std::wstring& value) override { caption = value; }
    void DisableTimer() override { timerEnabled = false; }
    WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(0x100); }
    WindowHandle ActiveWindow() const override { return reinterpret_cast<WindowHandle>(0x101); }
    void ShowInformation(const std::wstring& text) override { information.push_back(text); }
    void SetBusy(bool busy) override { busyChanges.push_back(busy); }
    void Unload() override { ++unloads; }
    // Work runs at once; the user stops it before its first piece when told.
    void RunBeside(WorkKind kind, WorkJob job, WorkDone done) override {
        work.push_back(kind);
        WorkProgress progress;
        if (cancelNextWork) progress.Cancel();
        cancelNextWork = false;
        job(progress);
        done(progress.Cancelled());
    }
    bool CancelWork() override {
        if (!running) return false;
        ++cancels;
        return true;
    }
    std::optional<WorkKind> CurrentWork() const override { return running; }

    FakeTextBox textBox;
    std::vector<WorkKind> work;
    bool cancelNextWork = false;
    // Work that a test pretends is running, for the keys and commands.
    std::optional<WorkKind> running;
    int cancels = 0;
    std::wstring caption = L"Lumarind";
    bool timerEnabled = true;
    std::vector<std::wstring> information;
    std::vector<bool> busyChanges;
    int unloads = 0;
};

}  // namespace lumarind::testing
