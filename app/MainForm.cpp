#include "app/MainForm.h"

#include <memory>
#include <optional>
#include <string>

#include "app/ResumeNext.h"
#include "builder/ContentReader.h"
#include "builder/DataUrl.h"
#include "common/UserTexts.h"
#include "common/Version.h"

namespace lumarind {
namespace {

constexpr wchar_t kPathsSection[] = L"OFN Paths";
constexpr wchar_t kInputFolderKey[] = L"Last open in file directory";
constexpr wchar_t kOutputFolderKey[] = L"Last open out file directory";
constexpr wchar_t kFamilyPrefix[] = LUMARIND_WIDEN(LUMARIND_FAMILY_PREFIX);
constexpr wchar_t kBlankLine[] = L"\r\n\r\n";

// Shows the wait cursor for as long as it lives.
class BusyCursor {
public:
    explicit BusyCursor(FormView& view) : view_(view) { view_.SetBusy(true); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    ~BusyCursor() { view_.SetBusy(false); }

private:
    FormView& view_;
};

std::wstring ReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with) {
    for (std::size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

}  // namespace

std::wstring MainForm::CaptionFor(const std::wstring& applicationTitle, const std::wstring& fileName) {
    return ReplaceAll(applicationTitle, kFamilyPrefix, L"") + L" - [" + fileName + L"]";
}

void MainForm::Form_Load() {
    tsCenterFormEx(view_.Handle());
    if (!tsIsInIDE()) tsSetWindowResIconAll(view_.Handle(), kIconResourceName);
}

void MainForm::Form_Unload(std::int16_t& cancel) {
    cancel = 0;
    // A long copy is only promised to other programs: it goes on the
    // clipboard now, or the user learns that it goes with the program.
    const std::optional<Error> error = RunStep([&] { components_.clipboardText().KeepPromiseNow(); });
    if (error) components_.errorBox().ShowError(*error, kStyleOkCritical, 0, texts::kCopyLostOnClose, false);
}

void MainForm::tmrCheckCommandLine_Tick() {
    view_.DisableTimer();
    // tsIsInIDE never reports true for this program, so the arguments are
    // always those of the process command line.
    CommandLineArgs& arguments = components_.appServices().CommandLine();
    if (arguments.Count() != 0) LoadFile(arguments.Item(0));
}

std::optional<MainForm::ChosenFile> MainForm::ChooseFile(const wchar_t* filter, const wchar_t* folderKey,
                                                        bool save) {
    const std::unique_ptr<FileDialog> dialog = components_.newFileDialog();
    const std::unique_ptr<SettingsStore> settings = components_.newSettingsStore();
    const ApplicationInfo& application = components_.application();
    std::int32_t scratch = 0;

    dialog->SetFilter(filter);
    dialog->SetFilterIndex(0);
    dialog->SetOwnerWindow(view_.ActiveWindow());
    // The remembered folder is a convenience: when it cannot be read the
    // dialog starts in its own default folder, and when it cannot be stored
    // it is not remembered. Neither may cost the user the loaded document.
    std::wstring folder;
    RunStep([&] { folder = settings->GetSetting(kPathsSection, folderKey, 0, application, L"", true, scratch); });
    dialog->SetInitDir(folder);
    if (!(save ? dialog->ShowSave() : dialog->ShowOpen())) return std::nullopt;

    ChosenFile chosen{dialog->FileName(), dialog->FilterIndex()};
    RunStep([&] {
        settings->SaveSetting(kPathsSection, folderKey, 0, tsGetFilePath(chosen.path), application, true, scratch);
    });
    return chosen;
}

void MainForm::cmdOpenFile_Click() {
    if (view_.CurrentWork() == WorkKind::kSave) return;
    if (const std::optional<ChosenFile> chosen = ChooseFile(texts::kOpenFilter, kInputFolderKey, false)) {
        LoadFile(chosen->path);
    }
}

void MainForm::LoadFile(const std::wstring& path) {
    // The file is read beside the window, its bytes held once; the window
    // takes them only when the whole file is there, so that a failed or
    // cancelled read leaves it showing, keeping and naming the earlier file.
    struct Outcome {
        std::shared_ptr<const ContentBytes> bytes;
        std::optional<Error> error;
    };
    const auto outcome = std::make_shared<Outcome>();
    FileAccess& files = components_.fileAccess();
    view_.SetBusy(true);
    view_.RunBeside(
        WorkKind::kLoad,
        [outcome, &files, path](WorkProgress& progress) {
            outcome->error = RunStep([&] {
                const std::unique_ptr<FileContent> content = files.OpenContent(path);
                outcome->bytes = ReadWholeContent(*content, progress);
            });
        },
        [this, outcome, path](bool cancelled) {
            view_.SetBusy(false);
            if (cancelled || (outcome->error && outcome->error->number() == errors::kCancelled)) return;
            if (outcome->error) {
                const Error shown = outcome->error->number() == errors::kOutOfMemory
                                        ? Error(errors::kOutOfMemory, texts::kFileTooLarge)
                                        : *outcome->error;
                const int answer = components_.errorBox().ShowError(shown, kStyleRetryCancelCritical, 0,
                                                                    path + kBlankLine + texts::kCannotReadFile, false);
                if (answer == kAnswerRetry) LoadFile(path);
                return;
            }
            ShowLoadedFile(path, std::move(outcome->bytes));
        });
}

void MainForm::ShowLoadedFile(const std::wstring& path, std::shared_ptr<const ContentBytes> bytes) {
    const std::optional<Error> buildError = RunStep([&] {
        const BusyCursor busy(view_);
        BuildDataUrl(std::move(bytes), tsGetFileExtension(path), view_.txtData(),
                     [this] { return components_.newRegistryReader(); });
    });
    if (buildError) {
        components_.errorBox().ShowError(*buildError, kStyleOkCritical, 0,
                                         path + kBlankLine + texts::kCannotBuildDataUrl, false);
        return;
    }
    // A caption that cannot be formed stays as it was; the load itself stands.
    RunStep([&] { view_.SetCaption(CaptionFor(components_.application().title, tsGetFileName(path))); });
}

void MainForm::cmdCopyText_Click(std::int16_t index) {
    if (view_.txtData().Document().empty()) {
        view_.ShowInformation(texts::kNothingToCopy);
        return;
    }
    const std::optional<Error> error = RunStep([&] {
        ClipboardText& clipboard = components_.clipboardText();
        std::int32_t scratch = 0;
        clipboard.Clear(scratch);
        // The one-line form is made in the clipboard's own memory, so that a
        // large document is not held a third time.
        clipboard.SetDocument(view_.txtData().Document(), scratch, index != 0 ? TextForm::kOneLine : TextForm::kAsIs);
    });
    if (error) components_.errorBox().ShowError(*error, kStyleOkCritical, 0, texts::kCopyFailed, false);
}

void MainForm::cmdSaveFile_Click() {
    if (view_.txtData().Document().empty()) {
        view_.ShowInformation(texts::kNothingToSave);
        return;
    }
    if (const std::optional<ChosenFile> chosen = ChooseFile(texts::kSaveFilter, kOutputFolderKey, true)) {
        WriteDataUrl(chosen->path, chosen->filterIndex);
    }
}

void MainForm::WriteDataUrl(const std::wstring& path, std::int32_t formatIndex) {
    // The text is made from the document a slice at a time as it is written,
    // beside the window; the file is replaced only once it is complete.
    const auto error = std::make_shared<std::optional<Error>>();
    FileAccess& files = components_.fileAccess();
    const TextForm form = formatIndex != 0 ? TextForm::kOneLine : TextForm::kAsIs;
    view_.SetBusy(true);
    view_.RunBeside(
        WorkKind::kSave,
        [error, &files, path, form, document = view_.txtData().Document()](WorkProgress& progress) {
            *error = RunStep([&] { files.WriteText(path, document, form, &progress); });
        },
        [this, error, path, formatIndex](bool cancelled) {
            view_.SetBusy(false);
            if (cancelled || !*error || (*error)->number() == errors::kCancelled) return;
            const int answer = components_.errorBox().ShowError(**error, kStyleRetryCancelCritical, 0,
                                                                path + kBlankLine + texts::kCannotWriteFile, false);
            if (answer == kAnswerRetry) WriteDataUrl(path, formatIndex);
        });
}

void MainForm::Form_DropFiles(const std::vector<std::wstring>& paths) {
    // A drop while a file is being saved waits for no one: it is ignored, as
    // the Open button is then disabled. A drop during a load replaces it.
    if (view_.CurrentWork() == WorkKind::kSave) return;
    if (!paths.empty()) LoadFile(paths.front());
}
void MainForm::Form_KeyDown(std::uint16_t keyCode, std::uint16_t shift) {
    if (keyCode == kKeyF1 && shift == kShiftMask) {
        components_.appServices().ShowAbout(view_.Handle(), components_.application(), L"", nullptr,
                                            LUMARIND_WIDEN(LUMARIND_DEDICATION));
    } else if (keyCode == kKeyF1 && shift == 0) {
        tsOpenReadMeFile(0);
    } else if (keyCode == kKeyEscape && shift == 0) {
        // Esc stops long work first; only then does it close the window.
        if (!view_.CancelWork()) view_.Unload();
    }
}

}  // namespace lumarind
