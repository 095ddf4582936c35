#include "app/MainForm.h"

#include <memory>
#include <optional>
#include <string>

#include "app/PastedDataUrl.h"
#include "app/ResumeNext.h"
#include "builder/DataUrl.h"
#include "cli/MediaType.h"
#include "common/UserTexts.h"
#include "common/Version.h"
#include "support/portable/Utf8.h"

namespace lumarind {
namespace {

constexpr wchar_t kPathsSection[] = L"OFN Paths";
constexpr wchar_t kInputFolderKey[] = L"Last open in file directory";
constexpr wchar_t kOutputFolderKey[] = L"Last open out file directory";
constexpr wchar_t kFamilyPrefix[] = LUMARIND_WIDEN(LUMARIND_FAMILY_PREFIX);
constexpr wchar_t kBlankLine[] = L"\r\n\r\n";
constexpr wchar_t kLineBreak[] = L"\r\n";
constexpr wchar_t kPastedImageExtension[] = L"png";
constexpr wchar_t kPastedTextExtension[] = L".txt";
constexpr wchar_t kPastedTextType[] = L"text/plain;charset=utf-8";
constexpr wchar_t kMimeDatabaseKey[] = L"MIME\\Database\\Content Type\\";
constexpr wchar_t kExtensionValue[] = L"Extension";

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

// Passes a file's content on piece by piece and keeps the error of a failed
// read, so that it is reported as the read it is and not as a failed build.
class ReadFailureRecorder : public FileContent {
public:
    ReadFailureRecorder(FileContent& content, std::optional<Error>& failure) : content_(content), failure_(failure) {}
    std::uint64_t Size() const override { return content_.Size(); }
    std::size_t Read(char* buffer, std::size_t capacity) override {
        try {
            return content_.Read(buffer, capacity);
        } catch (const Error& error) {
            failure_ = error;
            throw;
        }
    }

private:
    FileContent& content_;
    std::optional<Error>& failure_;
};

// Answers every content-type question with one type: pasted content has no
// extension to look one up by.
class FixedContentType : public RegistryReader {
public:
    explicit FixedContentType(std::wstring type) : type_(std::move(type)) {}
    std::wstring ReadValue(std::uint32_t, const std::wstring&, const std::wstring&, int, std::int32_t&) override {
        return type_;
    }

private:
    std::wstring type_;
};

// The extension Windows registers for a media type, with its dot; empty when
// there is none or it is not a plain one.
std::wstring RegisteredExtension(const std::wstring& mediaType, RegistryReader& registry) {
    const std::wstring essence = cli::MediaTypeEssence(mediaType);
    if (essence.empty()) return L"";
    std::int32_t scratch = 0;
    const std::wstring extension = registry.ReadValue(kHkeyClassesRoot, kMimeDatabaseKey + essence, kExtensionValue, 0, scratch);
    if (extension.size() < 2 || extension[0] != L'.' || extension.find_first_of(L"\\/:*?\"<>|. ", 1) != std::wstring::npos) {
        return L"";
    }
    return extension;
}

// The start of a text the window shows, its line breaks as the text box
// needs them and no NUL to cut it short.
std::wstring TextStart(std::string_view bytes) {
    std::wstring text = FromUtf8(bytes.substr(0, kPreviewLimit * 4));
    if (text.size() > kPreviewLimit) text.resize(kPreviewLimit);
    for (wchar_t& c : text) {
        if (c == L'\0') c = L'\uFFFD';
    }
    NormaliseLineBreaks(text);
    return text;
}

// What the window shows for a pasted data URL instead of its text.
std::wstring DescriptionOf(const DecodedDataUrl& decoded) {
    std::wstring description = texts::kPastedDataUrlHeading;
    description.append(kLineBreak).append(texts::kPastedTypeLabel);
    description.append(decoded.mediaType.empty() ? std::wstring(texts::kPastedNoType) : decoded.mediaType);
    description.append(kLineBreak).append(texts::kPastedSizeLabel).append(std::to_wstring(decoded.bytes.size()));
    description.append(kLineBreak).append(texts::kPastedSaveHint);
    if (decoded.mediaType.empty() || cli::IsTextualType(decoded.mediaType)) {
        description.append(kBlankLine).append(texts::kPastedTextStart).append(kLineBreak);
        description.append(TextStart(decoded.bytes));
    }
    return description;
}

std::string Utf8Of(TextView text) { return text.IsNarrow() ? std::string(text.Ascii()) : ToUtf8(text.Wide()); }

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

void MainForm::Form_Unload(std::int16_t& cancel) { cancel = 0; }

void MainForm::tmrCheckCommandLine_Tick() {
    view_.DisableTimer();
    // tsIsInIDE never reports true for this program, so the arguments are
    // always those of the process command line.
    CommandLineArgs& arguments = components_.appServices().CommandLine();
    if (arguments.Count() != 0) LoadFile(arguments.Item(0));
}

std::optional<MainForm::ChosenFile> MainForm::ChooseFile(const std::wstring& filter, const wchar_t* folderKey,
                                                        bool save, const std::wstring& fileName) {
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
    if (!fileName.empty()) dialog->SetFileName(fileName);
    if (!(save ? dialog->ShowSave() : dialog->ShowOpen())) return std::nullopt;

    ChosenFile chosen{dialog->FileName(), dialog->FilterIndex()};
    RunStep([&] {
        settings->SaveSetting(kPathsSection, folderKey, 0, tsGetFilePath(chosen.path), application, true, scratch);
    });
    return chosen;
}

void MainForm::cmdOpenFile_Click() {
    if (const std::optional<ChosenFile> chosen = ChooseFile(texts::kOpenFilter, kInputFolderKey, false)) {
        LoadFile(chosen->path);
    }
}

void MainForm::LoadFile(const std::wstring& path) {
    for (;;) {
        std::unique_ptr<FileContent> content;
        std::optional<Error> readError = RunStep([&] {
            const BusyCursor busy(view_);
            content = components_.fileAccess().OpenContent(path);
        });
        // The file is read straight into the text as it is composed; the
        // text is composed whole before anything is shown, so that a failed
        // build leaves the window showing, keeping and naming the earlier file.
        std::optional<Error> buildError;
        if (!readError) {
            buildError = RunStep([&] {
                const BusyCursor busy(view_);
                const std::wstring extension = tsGetFileExtension(path);
                ReadFailureRecorder recorder(*content, readError);
                BuildDataUrl(recorder, extension, view_.txtData(), [this] { return components_.newRegistryReader(); });
            });
        }
        content.reset();
        if (readError) {
            const int answer = components_.errorBox().ShowError(*readError, kStyleRetryCancelCritical, 0,
                                                                path + kBlankLine + texts::kCannotReadFile, false);
            if (answer == kAnswerRetry) continue;
            return;
        }
        if (buildError) {
            components_.errorBox().ShowError(*buildError, kStyleOkCritical, 0,
                                             path + kBlankLine + texts::kCannotBuildDataUrl, false);
            return;
        }
        break;
    }

    decodedExtension_.reset();
    // A caption that cannot be formed stays as it was; the load itself stands.
    RunStep([&] { view_.SetCaption(CaptionFor(components_.application().title, tsGetFileName(path))); });
}

void MainForm::Form_Paste() {
    ClipboardContent content;
    for (;;) {
        const std::optional<Error> error = RunStep([&] {
            const BusyCursor busy(view_);
            std::int32_t scratch = 0;
            content = components_.clipboardText().GetContent(scratch);
        });
        if (!error) break;
        const int answer =
            components_.errorBox().ShowError(*error, kStyleRetryCancelCritical, 0, texts::kCannotPaste, false);
        if (answer != kAnswerRetry) return;
    }
    switch (content.kind) {
    case ClipboardContent::Kind::kNothing:
        view_.ShowInformation(texts::kNothingToPaste);
        break;
    case ClipboardContent::Kind::kFiles:
        if (!content.files.empty()) LoadFile(content.files.front());
        break;
    case ClipboardContent::Kind::kImage:
        LoadPasted(std::move(content.png), std::wstring(texts::kPastedName) + L"." + kPastedImageExtension,
                   std::nullopt);
        break;
    case ClipboardContent::Kind::kText:
        PasteText(content.text);
        break;
    }
}

void MainForm::PasteText(const std::wstring& text) {
    std::string utf8 = ToUtf8(text);
    if (DataUrlInPastedText(utf8).empty()) {
        LoadPasted(std::move(utf8), std::wstring(texts::kPastedName) + kPastedTextExtension, kPastedTextType);
        return;
    }
    DecodedDataUrl decoded;
    if (const std::optional<Error> error = RunStep([&] { decoded = DecodePastedDataUrl(utf8); })) {
        components_.errorBox().ShowError(*error, kStyleOkCritical, 0, texts::kCannotDecodeDataUrl, false);
        return;
    }
    std::wstring extension;
    RunStep([&] { extension = RegisteredExtension(decoded.mediaType, *components_.newRegistryReader()); });
    std::wstring description = DescriptionOf(decoded);
    const std::wstring type = decoded.mediaType;
    if (!LoadPasted(std::move(decoded.bytes), texts::kPastedName + extension, type)) return;
    // The text box tells what the data URL holds; its text is for Copy.
    RunStep([&] { view_.txtData().SetText(description); });
    decodedExtension_ = extension;
}

bool MainForm::LoadPasted(std::string content, const std::wstring& name,
                          const std::optional<std::wstring>& contentType) {
    const std::optional<Error> error = RunStep([&] {
        const BusyCursor busy(view_);
        FileContentInMemory bytes(std::move(content));
        if (contentType) {
            BuildDataUrl(bytes, L"", view_.txtData(), [&] { return std::make_unique<FixedContentType>(*contentType); });
        } else {
            BuildDataUrl(bytes, tsGetFileExtension(name), view_.txtData(), [this] { return components_.newRegistryReader(); });
        }
    });
    if (error) {
        components_.errorBox().ShowError(*error, kStyleOkCritical, 0, texts::kCannotBuildDataUrl, false);
        return false;
    }
    decodedExtension_.reset();
    RunStep([&] { view_.SetCaption(CaptionFor(components_.application().title, name)); });
    return true;
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
    if (!decodedExtension_) {
        if (const std::optional<ChosenFile> chosen = ChooseFile(texts::kSaveFilter, kOutputFolderKey, true)) {
            WriteDataUrl(chosen->path, chosen->filterIndex);
        }
        return;
    }
    // A pasted data URL: first the bytes it carries, then the two forms of it.
    const std::wstring& extension = *decodedExtension_;
    const std::wstring pattern = L"*" + (extension.empty() ? std::wstring(L".*") : extension);
    const std::wstring filter = std::wstring(texts::kDecodedFileFilter) + L" (" + pattern + L")|" + pattern + L"|" +
                                texts::kSaveFilter;
    const std::optional<ChosenFile> chosen =
        ChooseFile(filter, kOutputFolderKey, true, texts::kPastedName + extension);
    if (!chosen) return;
    if (chosen->filterIndex == 0) {
        WriteDecoded(chosen->path);
    } else {
        WriteDataUrl(chosen->path, chosen->filterIndex - 1);
    }
}

void MainForm::WriteDecoded(const std::wstring& path) {
    for (;;) {
        const std::optional<Error> error = RunStep([&] {
            const BusyCursor busy(view_);
            const DecodedDataUrl decoded = DecodePastedDataUrl(Utf8Of(view_.txtData().Document()));
            components_.fileAccess().WriteBytes(path, decoded.bytes);
        });
        if (!error) return;
        const int answer = components_.errorBox().ShowError(*error, kStyleRetryCancelCritical, 0,
                                                            path + kBlankLine + texts::kCannotWriteFile, false);
        if (answer != kAnswerRetry) return;
    }
}

void MainForm::WriteDataUrl(const std::wstring& path, std::int32_t formatIndex) {
    for (;;) {
        const std::optional<Error> error = RunStep([&] {
            const BusyCursor busy(view_);
            const TextForm form = formatIndex != 0 ? TextForm::kOneLine : TextForm::kAsIs;
            components_.fileAccess().WriteText(path, view_.txtData().Document(), form);
        });
        if (!error) return;
        const int answer = components_.errorBox().ShowError(*error, kStyleRetryCancelCritical, 0,
                                                            path + kBlankLine + texts::kCannotWriteFile, false);
        if (answer != kAnswerRetry) return;
    }
}

void MainForm::Form_DropFiles(const std::vector<std::wstring>& paths) {
    if (!paths.empty()) LoadFile(paths.front());
}

void MainForm::Form_KeyDown(std::uint16_t keyCode, std::uint16_t shift) {
    if (keyCode == kKeyF1 && shift == kShiftMask) {
        components_.appServices().ShowAbout(view_.Handle(), components_.application(), L"", nullptr,
                                            LUMARIND_WIDEN(LUMARIND_DEDICATION));
    } else if (keyCode == kKeyF1 && shift == 0) {
        tsOpenReadMeFile(0);
    } else if (keyCode == kKeyEscape && shift == 0) {
        view_.Unload();
    } else if ((keyCode == kKeyV && shift == kCtrlMask) || (keyCode == kKeyInsert && shift == kShiftMask)) {
        Form_Paste();
    }
}

}  // namespace lumarind
