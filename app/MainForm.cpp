#include "app/MainForm.h"

#include <memory>
#include <optional>
#include <string>

#include "app/PastedDataUrl.h"
#include "app/ResumeNext.h"
#include "app/UserError.h"
#include "builder/ContentReader.h"
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
    if (error) {
        components_.errorBox().ShowError(InUserTerms(*error, texts::kNotEnoughMemory), kStyleOkCritical, 0,
                                         texts::kCopyLostOnClose, false);
    }
}

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
                const int answer = components_.errorBox().ShowError(InUserTerms(*outcome->error, texts::kFileTooLarge),
                                                                    kStyleRetryCancelCritical, 0,
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
    decodedExtension_.reset();
    // A caption that cannot be formed stays as it was; the load itself stands.
    RunStep([&] { view_.SetCaption(CaptionFor(components_.application().title, tsGetFileName(path))); });
}

void MainForm::Form_Paste() {
    // As a drop: a paste while a file is being saved is ignored, one during
    // a load replaces it.
    if (view_.CurrentWork() == WorkKind::kSave) return;
    ClipboardContent content;
    for (;;) {
        const std::optional<Error> error = RunStep([&] {
            const BusyCursor busy(view_);
            std::int32_t scratch = 0;
            content = components_.clipboardText().GetContent(scratch);
        });
        if (!error) break;
        const int answer = components_.errorBox().ShowError(InUserTerms(*error, texts::kNotEnoughMemory),
                                                            kStyleRetryCancelCritical, 0, texts::kCannotPaste, false);
        if (answer != kAnswerRetry) return;
    }
    TakeContent(std::move(content));
}

void MainForm::Form_DropData(ClipboardContent content) {
    if (view_.CurrentWork() == WorkKind::kSave) return;
    TakeContent(std::move(content));
}

void MainForm::Form_DropUnreadable(const Error& error) {
    // No Retry: the dragged data is gone with the drag.
    components_.errorBox().ShowError(InUserTerms(error, texts::kNotEnoughMemory), kStyleOkCritical, 0,
                                     texts::kCannotBuildDataUrl, false);
}

void MainForm::TakeContent(ClipboardContent content) {
    switch (content.kind) {
    case ClipboardContent::Kind::kNothing:
        view_.ShowInformation(texts::kNothingToPaste);
        break;
    case ClipboardContent::Kind::kFiles:
        if (!content.files.empty()) LoadFile(content.files.front());
        break;
    case ClipboardContent::Kind::kImage:
        LoadPasted([png = std::make_shared<std::string>(std::move(content.png)),
                    bitmap = std::move(content.bitmap)](const wchar_t*&, WorkProgress& progress) {
            PastedContent pasted;
            if (bitmap) {
                // A large bitmap converts as long as a large file reads: with
                // progress, and stopped by Esc between two bands of rows.
                pasted.bytes = bitmap->EncodeAsPng(progress);
            } else {
                pasted.bytes = std::make_shared<const ContentBytes>(*png);
                png->clear();
                png->shrink_to_fit();
            }
            pasted.name = std::wstring(texts::kPastedName) + L"." + kPastedImageExtension;
            return pasted;
        });
        break;
    case ClipboardContent::Kind::kText:
        PasteText(std::move(content.text));
        break;
    }
}

void MainForm::PasteText(std::wstring text) {
    LoadPasted([shared = std::make_shared<std::wstring>(std::move(text))](const wchar_t*& failureText,
                                                                        WorkProgress&) {
        std::string utf8 = ToUtf8(*shared);
        *shared = std::wstring();
        PastedContent pasted;
        if (DataUrlInPastedText(utf8).empty()) {
            pasted.bytes = std::make_shared<const ContentBytes>(utf8);
            pasted.name = std::wstring(texts::kPastedName) + kPastedTextExtension;
            pasted.contentType = kPastedTextType;
            return pasted;
        }
        failureText = texts::kCannotDecodeDataUrl;
        DecodedDataUrl decoded = DecodePastedDataUrl(utf8);
        utf8 = std::string();
        pasted.description = DescriptionOf(decoded);
        pasted.contentType = std::move(decoded.mediaType);
        pasted.bytes = std::make_shared<const ContentBytes>(decoded.bytes);
        return pasted;
    });
}

void MainForm::LoadPasted(PastedContentMaker make) {
    // Made beside the window as a file is read: the text to decode or
    // convert may be as large as any file.
    struct Outcome {
        PastedContent pasted;
        std::optional<Error> error;
        const wchar_t* failureText = texts::kCannotBuildDataUrl;
    };
    const auto outcome = std::make_shared<Outcome>();
    view_.SetBusy(true);
    view_.RunBeside(
        WorkKind::kLoad,
        [outcome, make = std::move(make)](WorkProgress& progress) {
            outcome->error = RunStep([&] {
                outcome->pasted = make(outcome->failureText, progress);
                progress.ThrowIfCancelled();
            });
        },
        [this, outcome](bool cancelled) {
            view_.SetBusy(false);
            if (cancelled || (outcome->error && outcome->error->number() == errors::kCancelled)) return;
            if (outcome->error) {
                const bool outOfMemory = outcome->error->number() == errors::kOutOfMemory;
                components_.errorBox().ShowError(InUserTerms(*outcome->error, texts::kNotEnoughMemory),
                                                 kStyleOkCritical, 0,
                                                 outOfMemory ? texts::kCannotBuildDataUrl : outcome->failureText,
                                                 false);
                return;
            }
            ShowPasted(std::move(outcome->pasted));
        });
}

void MainForm::ShowPasted(PastedContent pasted) {
    std::optional<std::wstring> decodedExtension;
    if (pasted.description) {
        std::wstring extension;
        RunStep([&] { extension = RegisteredExtension(*pasted.contentType, *components_.newRegistryReader()); });
        pasted.name = texts::kPastedName + extension;
        decodedExtension = extension;
    }
    const std::optional<Error> error = RunStep([&] {
        const BusyCursor busy(view_);
        if (pasted.contentType) {
            BuildDataUrl(std::move(pasted.bytes), L"", view_.txtData(),
                         [&] { return std::make_unique<FixedContentType>(*pasted.contentType); });
        } else {
            BuildDataUrl(std::move(pasted.bytes), tsGetFileExtension(pasted.name), view_.txtData(),
                         [this] { return components_.newRegistryReader(); });
        }
    });
    if (error) {
        components_.errorBox().ShowError(InUserTerms(*error, texts::kNotEnoughMemory), kStyleOkCritical, 0,
                                         texts::kCannotBuildDataUrl, false);
        return;
    }
    // The text box tells what a data URL holds; the document is for Copy and Save.
    if (pasted.description) RunStep([&] { view_.txtData().SetText(*pasted.description); });
    decodedExtension_ = std::move(decodedExtension);
    RunStep([&] { view_.SetCaption(CaptionFor(components_.application().title, pasted.name)); });
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
    if (error) {
        components_.errorBox().ShowError(InUserTerms(*error, texts::kNotEnoughMemory), kStyleOkCritical, 0,
                                         texts::kCopyFailed, false);
    }
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
    const EncodedText* encoded = view_.txtData().Document().Encoded();
    if (chosen->filterIndex == 0 && encoded != nullptr) {
        WriteDecoded(chosen->path, encoded->bytes);
    } else {
        WriteDataUrl(chosen->path, chosen->filterIndex - 1);
    }
}

void MainForm::WriteDecoded(const std::wstring& path, std::shared_ptr<const ContentBytes> bytes) {
    // The bytes the document holds, written beside the window as a data URL is.
    const auto error = std::make_shared<std::optional<Error>>();
    FileAccess& files = components_.fileAccess();
    view_.SetBusy(true);
    view_.RunBeside(
        WorkKind::kSave,
        [error, &files, path, bytes](WorkProgress& progress) {
            *error = RunStep([&] { files.WriteBytes(path, bytes->View(), &progress); });
        },
        [this, error, path, bytes](bool cancelled) {
            view_.SetBusy(false);
            if (cancelled || !*error || (*error)->number() == errors::kCancelled) return;
            const int answer = components_.errorBox().ShowError(**error, kStyleRetryCancelCritical, 0,
                                                                path + kBlankLine + texts::kCannotWriteFile, false);
            if (answer == kAnswerRetry) WriteDecoded(path, bytes);
        });
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
    } else if ((keyCode == kKeyV && shift == kCtrlMask) || (keyCode == kKeyInsert && shift == kShiftMask)) {
        Form_Paste();
    }
}

}  // namespace lumarind
