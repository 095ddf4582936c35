#include "cli/CliRun.h"

#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

#include "builder/DataUrlDecoder.h"
#include "cli/CliEncode.h"
#include "cli/CliExtract.h"
#include "cli/CliOptions.h"
#include "cli/CliSteps.h"
#include "cli/Output.h"
#include "cli/QuotedName.h"
#include "common/Version.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

constexpr char kOutOfMemoryMessage[] = "lumarind-cli: not enough memory\n";
constexpr char kCannotDecode[] = "cannot decode";
// The text --decode reads at once: what it decodes to fits the room the output gives.
constexpr std::size_t kDecodePiece = std::size_t{128} << 10;
static_assert(DataUrlDecoder::MostBytes(kDecodePiece) <= Output::kMostAtOnce);
constexpr wchar_t kInputIsOutput[] = L"it is the input file";
// As cat says it.
constexpr wchar_t kInputIsStandardOutput[] = L"input file is output file";

std::string Named(const std::wstring& path, const char* standardName) {
    return path.empty() ? std::string(standardName) : QuotedName(path);
}

// Refused before anything is read: replacing an input with its own data URL
// would lose it, and appending to it would never end. What is compared is
// the file the output opened, however long or roundabout its path.
void RefuseOutputOverInputs(const CliOptions& options, CliPlatform& platform, Output& output) {
    std::optional<FileIdentity> written;
    Doing(kCannotWrite, options.output, [&] { written = output.WrittenFile(); });
    if (!written) return;
    for (const std::wstring& input : options.inputs) {
        std::optional<FileIdentity> read;
        Doing(kCannotWrite, options.output, [&] { read = platform.InputFile(input); });
        if (read == written) {
            throw Failure{kCannotWrite, options.output,
                          Error(errors::kInvalidArgument, options.output.empty() ? kInputIsStandardOutput : kInputIsOutput)};
        }
    }
}

// False when an input's result was too large to write; the others are
// written all the same. When none is, -o leaves its file as it was.
bool Encode(const CliOptions& options, CliPlatform& platform) {
    Output output(platform, options.output, options.toClipboard);
    RefuseOutputOverInputs(options, platform, output);
    RegisteredTypes registered(platform);
    const bool several = options.inputs.size() > 1;
    bool everyInput = true, anyInput = false;
    for (const std::wstring& input : options.inputs) {
        const bool written = EncodeInput(options, input, platform, registered, output);
        if (written && several) output.Write(platform.LineBreak());
        everyInput = everyInput && written;
        anyInput = anyInput || written;
    }
    if (anyInput) output.Commit();
    return everyInput;
}

// The text is read in pieces and decoded as it comes, so that memory stays
// the same for any size. To standard output, the bytes decoded before a
// fault are written, as base64 -d writes them; a file is left untouched.
void Decode(const CliOptions& options, CliPlatform& platform) {
    Output output(platform, options.output);
    RefuseOutputOverInputs(options, platform, output);
    const std::wstring& input = options.inputs.front();
    std::unique_ptr<ByteSource> source;
    Doing(kCannotRead, input, [&] { source = platform.OpenInput(input); });
    DataUrlDecoder decoder;
    const std::unique_ptr<char[]> buffer(new char[kDecodePiece]);
    for (;;) {
        std::string_view piece;
        Doing(kCannotRead, input, [&] { piece = source->Lend(buffer.get(), kDecodePiece); });
        char* const space = output.Space();
        char* out = space;
        std::optional<Failure> fault;
        try {
            Doing(kCannotDecode, input, [&] {
                if (!piece.empty()) decoder.Add(piece.data(), piece.size(), out);
                else decoder.Finish(out);
            });
        } catch (const Failure& failure) {
            fault = failure;
        }
        // Bytes lent from a file shortened under them were not its own, nor
        // is what they decoded to.
        Doing(kCannotRead, input, [&] { source->CheckLent(); });
        output.Add(static_cast<std::size_t>(out - space));
        if (fault) {
            if (options.output.empty()) output.Commit();
            throw *fault;
        }
        if (piece.empty()) break;
    }
    output.Commit();
}

void WriteText(CliPlatform& platform, std::string_view text) {
    Doing(kCannotWrite, L"", [&] { platform.WriteText(text); });
}

int RunSteps(const std::vector<std::wstring>& arguments, CliPlatform& platform) {
    CliOptions options;
    try {
        options = ParseCliOptions(arguments);
    } catch (const UsageError& usage) {
        platform.WriteError("lumarind-cli: " + ToUtf8(usage.message) + "\nTry 'lumarind-cli --help'.\n");
        return kExitUsage;
    }
    try {
        switch (options.mode) {
        case CliOptions::Mode::kHelp:
            WriteText(platform, kUsageText);
            break;
        case CliOptions::Mode::kVersion:
            WriteText(platform, "lumarind-cli " LUMARIND_VERSION_TEXT "\n");
            break;
        case CliOptions::Mode::kEncode:
            if (!Encode(options, platform)) return kExitFailure;
            break;
        case CliOptions::Mode::kDecode:
            Decode(options, platform);
            break;
        case CliOptions::Mode::kExtract:
            if (!ExtractDataUrls(options, platform)) return kExitFailure;
            break;
        }
        return kExitSuccess;
    } catch (const Failure& failure) {
        const char* standard = failure.action == kCannotWrite ? "standard output" : "standard input";
        const std::string what =
            failure.action == kCannotCopy ? failure.action : failure.action + " " + Named(failure.path, standard);
        platform.WriteError("lumarind-cli: " + what + ": " + ToUtf8(failure.error.description()) + "\n");
        return kExitFailure;
    }
}

}  // namespace

int ReportOutOfMemory(CliPlatform& platform) noexcept {
    try {
        platform.WriteError(kOutOfMemoryMessage);
    } catch (...) {
    }
    return kExitFailure;
}

int RunCli(const std::vector<std::wstring>& arguments, CliPlatform& platform) noexcept {
    // Whatever step runs out of memory, even parsing or reporting another
    // failure, ends with a message instead of std::terminate.
    try {
        return RunSteps(arguments, platform);
    } catch (const std::bad_alloc&) {
        return ReportOutOfMemory(platform);
    } catch (const std::length_error&) {
        return ReportOutOfMemory(platform);
    }
}

}  // namespace lumarind::cli
