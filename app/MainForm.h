// The behaviour of the main window frmMain: its event handlers and the
// operations behind them. It knows the window only through FormView and the
// outside world only through the support layer, so tests reach all of it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FormView.h"
#include "support/ComponentObjects.h"

namespace lumarind {

// Bits of the shift state passed to OnKeyDown.
inline constexpr std::uint16_t kShiftMask = 1;
inline constexpr std::uint16_t kCtrlMask = 2;
inline constexpr std::uint16_t kAltMask = 4;

inline constexpr std::uint16_t kKeyF1 = 112;
inline constexpr std::uint16_t kKeyEscape = 27;
inline constexpr std::uint16_t kKeyV = 86;
inline constexpr std::uint16_t kKeyInsert = 45;

inline constexpr wchar_t kIconResourceName[] = L"A_MAIN";

class MainForm {
public:
    MainForm(FormView& view, Components& components) : view_(view), components_(components) {}

    void Form_Load();
    // Leaves cancel at 0: closing always goes ahead.
    void Form_Unload(std::int16_t& cancel);
    void tmrCheckCommandLine_Tick();
    void cmdOpenFile_Click();
    void cmdCopyText_Click(std::int16_t index);
    void cmdSaveFile_Click();
    void Form_KeyDown(std::uint16_t keyCode, std::uint16_t shift);
    // Files dropped on the window: the first loads as the first command-line
    // argument does, the others are ignored.
    void Form_DropFiles(const std::vector<std::wstring>& paths);
    // Ctrl+V or Shift+Insert: copied files load as the first command-line
    // argument does; an image, a data URL or other text becomes the
    // document as a file named texts::kPastedName would.
    void Form_Paste();
    // Data dragged onto the window (files, an image, text): taken as a paste
    // of the same content is.
    void Form_DropData(ClipboardContent content);
    // Data dragged onto the window that could not be read: said as a paste's
    // failure is, the document kept.
    void Form_DropUnreadable(const Error& error);

    // The caption for a loaded file: the title without the family prefix,
    // then " - [name]".
    static std::wstring CaptionFor(const std::wstring& applicationTitle, const std::wstring& fileName);

private:
    struct ChosenFile {
        std::wstring path;
        std::int32_t filterIndex;
    };
    // Asks for a file in the dialog, starting in the folder remembered under
    // folderKey, and remembers the chosen file's folder there. Nothing when
    // the user cancels.
    std::optional<ChosenFile> ChooseFile(const std::wstring& filter, const wchar_t* folderKey, bool save,
                                         const std::wstring& fileName = L"");
    void LoadFile(const std::wstring& path);
    // Publishes a file read whole: the document, its preview and the caption.
    void ShowLoadedFile(const std::wstring& path, std::shared_ptr<const ContentBytes> bytes);
    // Content taken from the clipboard, held as a file's bytes are.
    struct PastedContent {
        std::shared_ptr<const ContentBytes> bytes;
        // As a file of this name would be.
        std::wstring name;
        // Stands for the type registered for the name's extension.
        std::optional<std::wstring> contentType;
        // A pasted data URL: what the text box shows instead of the preview.
        std::optional<std::wstring> description;
    };
    // Makes the content beside the window, reporting to progress and
    // stopping when it is cancelled; it may name the text of the box shown
    // when it throws.
    using PastedContentMaker = std::function<PastedContent(const wchar_t*& failureText, WorkProgress& progress)>;
    // Makes the pasted content the document, as if read from a file; shows
    // what went wrong and keeps the earlier document when it cannot.
    void LoadPasted(PastedContentMaker make);
    void ShowPasted(PastedContent pasted);
    void TakeContent(ClipboardContent content);
    void PasteText(std::wstring text);
    void WriteDataUrl(const std::wstring& path, std::int32_t formatIndex);
    // The bytes a pasted data URL carries, as the document holds them.
    void WriteDecoded(const std::wstring& path, std::shared_ptr<const ContentBytes> bytes);

    FormView& view_;
    Components& components_;
    // Set while the document is a pasted data URL, whose Save writes the
    // bytes it carries: the extension registered for its type, with its
    // dot (empty when none is).
    std::optional<std::wstring> decodedExtension_;
};

}  // namespace lumarind
