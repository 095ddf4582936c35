// The component objects: file access, error boxes, the clipboard, the
// registry, settings, file dialogs and the application services. The program
// talks to them only through these interfaces; support/win32 implements them
// against Windows, and tests put fakes in their place through Components.
//
// The argument lists follow the family's calling convention, fixed numeric
// arguments and scratch variables included; implementations accept them and
// give them no meaning. Every failing call throws lumarind::Error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/DocumentText.h"
#include "support/Error.h"
#include "support/SupportFunctions.h"
#include "support/WorkProgress.h"

namespace lumarind {

// Root key values as the registry reader takes them.
inline constexpr std::uint32_t kHkeyClassesRoot = 0x80000000u;

// Error box styles and answers.
inline constexpr int kStyleRetryCancelCritical = 21;
inline constexpr int kStyleOkCritical = 16;
inline constexpr int kAnswerRetry = 4;

// The application object: the platform's description of the running program.
struct ApplicationInfo {
    std::wstring title;
    int major = 0;
    int minor = 0;
    int revision = 0;
    std::wstring versionText;
    std::wstring comments;
    std::wstring fileDescription;
    std::wstring productName;
    std::wstring internalName;
    std::wstring companyName;
    std::wstring legalCopyright;
    std::wstring legalTrademarks;
};

// A file opened for reading a piece at a time, so that its content need
// never be held whole.
class FileContent {
public:
    virtual ~FileContent() = default;
    // The size the file had when it was opened.
    virtual std::uint64_t Size() const = 0;
    // Up to capacity bytes, in order; 0 at the end.
    virtual std::size_t Read(char* buffer, std::size_t capacity) = 0;
};

// A content already in memory, read out in pieces.
class FileContentInMemory : public FileContent {
public:
    explicit FileContentInMemory(std::string bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t Read(char* buffer, std::size_t capacity) override {
        const std::size_t count = bytes_.copy(buffer, capacity, at_);
        at_ += count;
        return count;
    }

private:
    std::string bytes_;
    std::size_t at_ = 0;
};

class FileAccess {
public:
    virtual ~FileAccess() = default;
    // The whole content, byte for byte.
    virtual std::string ReadFile(const std::wstring& path, bool, int, int, int,
                                 std::int32_t& scratch1, std::int32_t& scratch2,
                                 std::int32_t& scratch3, bool& scratch4) = 0;
    // Afterwards the file holds exactly the text (UTF-8, no byte-order mark),
    // or, when the call throws, whatever it held before.
    virtual void WriteFile(const std::wstring& path, std::wstring_view text, bool, int, int, int,
                           std::int32_t& scratch, TextForm form = TextForm::kAsIs) = 0;

    // The file opened for reading in pieces; it fails as ReadFile fails.
    // This default reads the whole content through ReadFile.
    virtual std::unique_ptr<FileContent> OpenContent(const std::wstring& path) {
        std::int32_t scratch1 = 0, scratch2 = 0, scratch3 = 0;
        bool scratch4 = false;
        return std::make_unique<FileContentInMemory>(
            ReadFile(path, true, 1, 0, 0, scratch1, scratch2, scratch3, scratch4));
    }
    // Afterwards the file holds exactly these bytes, or, when the call
    // throws, whatever it held before. Long work reports to progress and
    // stops, leaving the file as it was, when progress is cancelled.
    virtual void WriteBytes(const std::wstring& path, std::string_view bytes, WorkProgress* progress = nullptr) = 0;
    // WriteFile for a text in either form; this default widens it whole.
    virtual void WriteText(const std::wstring& path, TextView text, TextForm form,
                           WorkProgress* progress = nullptr) {
        if (progress != nullptr) progress->ThrowIfCancelled();
        std::int32_t scratch = 0;
        WriteFile(path, text.IsNarrow() ? text.Widened() : std::wstring(text.Wide()), true, 1, 2, 1, scratch, form);
    }
};

class ErrorBox {
public:
    virtual ~ErrorBox() = default;
    // A modal box with the message, a blank line and the error; returns the
    // button pressed (kAnswerRetry for Retry).
    virtual int ShowError(const Error& error, int style, int, const std::wstring& message, bool) = 0;
};

// An image offered as a bitmap, to be made a PNG beside the window: the
// conversion of a large one lasts as long as reading a large file does.
class BitmapToEncode {
public:
    virtual ~BitmapToEncode() = default;
    // The image as PNG, made a band of rows at a time: reports the rows done
    // to progress and stops with the cancelled error when it is cancelled.
    // Lets go of the bitmap before the PNG is copied out of the encoder, so
    // that the two are held together no longer than the conversion lasts.
    // Throws lumarind::Error (a bitmap that cannot be encoded), std::bad_alloc.
    virtual std::shared_ptr<const ContentBytes> EncodeAsPng(WorkProgress& progress) = 0;
};

// What a paste takes from the clipboard: the first of these that it offers.
struct ClipboardContent {
    enum class Kind { kNothing, kFiles, kImage, kText };
    Kind kind = Kind::kNothing;
    // Copied files, full paths in their order.
    std::vector<std::wstring> files;
    // An image: the PNG bytes offered as such, or else a bitmap to encode
    // without loss.
    std::string png;
    std::shared_ptr<BitmapToEncode> bitmap;
    std::wstring text;
};

class ClipboardText {
public:
    virtual ~ClipboardText() = default;
    virtual void Clear(std::int32_t& scratch) = 0;
    virtual void SetText(std::wstring_view text, std::int32_t& scratch, TextForm form = TextForm::kAsIs) = 0;
    // SetText for a text in either form; this default widens it whole.
    virtual void SetDocument(TextView text, std::int32_t& scratch, TextForm form) {
        SetText(text.IsNarrow() ? text.Widened() : std::wstring(text.Wide()), scratch, form);
    }
    // A text only promised to other programs is put on the clipboard now, as
    // the program is about to end; throws when it cannot be (the clipboard
    // held by another program for seconds, or too little memory for it).
    virtual void KeepPromiseNow() {}
    // Throws when the clipboard cannot be read, another program holding it
    // for longer than a moment.
    virtual ClipboardContent GetContent(std::int32_t& scratch) = 0;
};

class RegistryReader {
public:
    virtual ~RegistryReader() = default;
    // The value's text; empty when the key or the value does not exist.
    virtual std::wstring ReadValue(std::uint32_t rootKey, const std::wstring& keyName,
                                   const std::wstring& valueName, int, std::int32_t& scratch) = 0;
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::wstring GetSetting(const std::wstring& section, const std::wstring& key, int,
                                    const ApplicationInfo& application,
                                    const std::wstring& defaultValue, bool,
                                    std::int32_t& scratch) = 0;
    virtual void SaveSetting(const std::wstring& section, const std::wstring& key, int,
                             const std::wstring& value, const ApplicationInfo& application, bool,
                             std::int32_t& scratch) = 0;
};

class FileDialog {
public:
    virtual ~FileDialog() = default;
    virtual void SetOwnerWindow(WindowHandle owner) = 0;
    // Label and pattern pairs, every item separated from the next by '|'.
    virtual void SetFilter(const std::wstring& filter) = 0;
    // Zero-based: 0 is the first filter entry.
    virtual void SetFilterIndex(int index) = 0;
    virtual int FilterIndex() const = 0;
    virtual void SetInitDir(const std::wstring& folder) = 0;
    virtual void SetFileName(const std::wstring& path) = 0;
    virtual std::wstring FileName() const = 0;
    // True when the user confirmed a name.
    virtual bool ShowOpen() = 0;
    virtual bool ShowSave() = 0;
};

class CommandLineArgs {
public:
    virtual ~CommandLineArgs() = default;
    virtual int Count() const = 0;
    // Zero-based; 0 is the first argument after the program's name.
    virtual std::wstring Item(int index) const = 0;
    virtual void SetCommandLine(const std::wstring& text, bool) = 0;
};

class AppServices {
public:
    virtual ~AppServices() = default;
    virtual CommandLineArgs& CommandLine() = 0;
    // Modal; returns when the box is closed.
    virtual void ShowAbout(WindowHandle owner, const ApplicationInfo& application,
                           const std::wstring& extra, const void* picture,
                           const std::wstring& dedication) = 0;
};

// The one seam between the program and its components. The four globals are
// made on first use and live as long as the Components; the others are made
// fresh for one command.
class Components {
public:
    virtual ~Components() = default;
    virtual FileAccess& fileAccess() = 0;
    virtual ErrorBox& errorBox() = 0;
    virtual ClipboardText& clipboardText() = 0;
    virtual AppServices& appServices() = 0;
    virtual std::unique_ptr<FileDialog> newFileDialog() = 0;
    virtual std::unique_ptr<SettingsStore> newSettingsStore() = 0;
    virtual std::unique_ptr<RegistryReader> newRegistryReader() = 0;
    virtual const ApplicationInfo& application() = 0;
};

}  // namespace lumarind
