#include "cli/CliExtract.h"

#include <memory>
#include <optional>

#include "builder/DataUrl.h"
#include "builder/DataUrlExtractor.h"
#include "cli/CliSteps.h"
#include "cli/Output.h"
#include "cli/QuotedName.h"
#include "cli/SafeFileName.h"
#include "cli/WebTypes.h"
#include "support/portable/AsciiText.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

// The text read at once: what it decodes to fits the room the output gives.
constexpr std::size_t kPiece = std::size_t{128} << 10;
static_assert(DataUrlExtractor::MostBytes(kPiece) <= Output::kMostAtOnce);

std::string Named(const std::wstring& path) { return path.empty() ? "standard input" : QuotedName(path); }

// The type without parameters, in lower case; none when it is not printable
// ASCII, which is no type a browser reads and would reach the terminal as is.
std::wstring Essence(const std::string& mediaType) {
    std::string essence = mediaType.substr(0, mediaType.find(';'));
    essence = std::string(TrimAsciiSpace(std::string_view(essence)));
    for (char& c : essence) {
        if (c <= ' ' || c >= 0x7F) return std::wstring();
        c = AsciiLower(c);
    }
    return FromUtf8(essence);
}

class FilesInFolder : public ExtractedFiles {
public:
    FilesInFolder(CliPlatform& platform, const std::wstring& folder, const std::wstring& input)
        : platform_(platform), folder_(folder), input_(input) {}

    bool AllWritten() const { return allWritten_; }

    void Begin(const TextPlace&) override {
        ++count_;
        size_ = 0;
        std::unique_ptr<NewFileSink> sink;
        Doing(kCannotWrite, folder_, [&] { sink = platform_.NewFileIn(folder_); });
        file_ = sink.get();
        output_.emplace(platform_, folder_, std::move(sink));
    }

    char* Room() override { return output_->Space(); }

    void Wrote(std::size_t count) override {
        output_->Add(count);
        size_ += count;
    }

    void End(const FoundDataUrl& url) override {
        const std::wstring type = Essence(url.mediaType);
        const std::wstring extension = ExtensionFor(type);
        std::wstring name = SafeFileName(url.name);
        if (name.empty()) name = L"data-" + std::to_wstring(count_) + (extension.empty() ? L"" : L"." + extension);
        else if (name.find(L'.') == std::wstring::npos && !extension.empty()) name += L"." + extension;
        file_->SetName(name);
        output_->Commit();
        const std::wstring written = file_->Name();
        output_.reset();
        Doing(kCannotWrite, L"", [&] {
            platform_.WriteText(ToUtf8(written) + "\t" + (type.empty() ? "text/plain" : ToUtf8(type)) + "\t" +
                                std::to_string(size_) + "\n");
        });
    }

    void Drop(const FoundDataUrl&, const Error& fault) override {
        output_.reset();
        allWritten_ = false;
        platform_.WriteError("lumarind-cli: cannot decode " + Named(input_) + ": " + ToUtf8(fault.description()) + "\n");
    }

private:
    // The web's usual extension, else the one the system registers.
    std::wstring ExtensionFor(const std::wstring& type) {
        if (type.empty()) return L"txt";
        std::wstring extension = WebExtensionForType(type);
        if (!extension.empty()) return extension;
        if (!registry_) registry_ = platform_.NewRegistryReader();
        std::int32_t scratch = 0;
        extension = registry_->ReadValue(kHkeyClassesRoot, L"MIME\\Database\\Content Type\\" + type, L"Extension", 0, scratch);
        if (!extension.empty() && extension[0] == L'.') extension.erase(0, 1);
        return SafeFileName(ToUtf8(extension)) == extension ? extension : std::wstring();
    }

    CliPlatform& platform_;
    const std::wstring& folder_;
    const std::wstring& input_;
    std::optional<Output> output_;
    NewFileSink* file_ = nullptr;
    std::uint64_t size_ = 0;
    int count_ = 0;
    bool allWritten_ = true;
    std::unique_ptr<RegistryReader> registry_;
};

}  // namespace

bool ExtractDataUrls(const CliOptions& options, CliPlatform& platform) {
    const std::wstring& input = options.inputs.front();
    std::unique_ptr<ByteSource> source;
    Doing(kCannotRead, input, [&] { source = platform.OpenInput(input); });
    FilesInFolder files(platform, options.extractFolder, input);
    DataUrlExtractor extractor(files);
    const std::unique_ptr<char[]> piece(new char[kPiece]);
    for (;;) {
        std::size_t read = 0;
        Doing(kCannotRead, input, [&] { read = source->Read(piece.get(), kPiece); });
        if (read == 0) break;
        extractor.Add(piece.get(), read);
    }
    extractor.Finish();
    return files.AllWritten();
}

}  // namespace lumarind::cli
