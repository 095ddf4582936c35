#include "app/ExplorerCopy.h"

#include <new>
#include <optional>
#include <vector>

#include "app/ResumeNext.h"
#include "app/UserError.h"
#include "builder/DataUrl.h"
#include "common/UserTexts.h"

namespace lumarind {
namespace {

constexpr wchar_t kBlankLine[] = L"\r\n\r\n";
// What lumarind-cli.exe puts after each result when there are several.
constexpr wchar_t kLineBreak[] = L"\r\n";

}  // namespace

bool CopyFilesAsDataUrls(const std::vector<std::wstring>& paths, Components& components) {
    std::vector<DocumentText> dataUrls;
    for (const std::wstring& path : paths) {
        const std::optional<Error> error = RunStep([&] {
            const std::unique_ptr<FileContent> content = components.fileAccess().OpenContent(path);
            dataUrls.push_back(ComposeDataUrl(*content, tsGetFileExtension(path),
                                              [&] { return components.newRegistryReader(); }));
        });
        if (error) {
            components.errorBox().ShowError(InUserTerms(*error, texts::kFileTooLarge), kStyleOkCritical, 0, path + kBlankLine + texts::kCannotReadFile,
                                            false);
            return false;
        }
    }
    const std::optional<Error> error = RunStep([&] {
        std::int32_t scratch = 0;
        // One file's line is formed straight into the clipboard's memory, as
        // the window's one-line copy forms it: its text is never made whole
        // first, which for a large file was most of the verb's time.
        if (dataUrls.size() == 1) {
            components.clipboardText().SetDocument(dataUrls.front().View(), scratch, TextForm::kOneLine);
            return;
        }
        std::wstring text;
        for (const DocumentText& dataUrl : dataUrls) {
            const TextView view = dataUrl.View();
            text += OneLineForm(view.IsNarrow() ? view.Widened() : std::wstring(view.Wide()));
            text += kLineBreak;
        }
        // ASCII goes on as the window's copy puts it, as CF_TEXT.
        if (IsAscii(text)) {
            const std::string ascii(text.begin(), text.end());
            components.clipboardText().SetDocument(TextView(std::string_view(ascii)), scratch, TextForm::kAsIs);
        } else {
            components.clipboardText().SetText(text, scratch);
        }
    });
    if (error) {
        components.errorBox().ShowError(InUserTerms(*error, texts::kNotEnoughMemory), kStyleOkCritical, 0,
                                        texts::kCopyFailed, false);
        return false;
    }
    return true;
}

}  // namespace lumarind
