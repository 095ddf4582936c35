#include "cli/CliRun.h"

#include <new>
#include <stdexcept>
#include <vector>

#include "builder/DataUrl.h"
#include "builder/DataUrlDecoder.h"
#include "cli/CliOptions.h"
#include "common/Version.h"
#include "support/SupportFunctions.h"
#include "support/portable/Base64Lines.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

// Whole lines of input per round: the output is streamed, so memory stays
// small whatever the file's size, and every round ends on a line's end.
constexpr std::size_t kInputChunk = base64::kBytesPerLine * 16384;

// A failure with what was being done and to which file.
struct Failure {
    std::string action;
    std::wstring path;
    Error error;
};

std::string Named(const std::wstring& path, const char* standardName) {
    return path.empty() ? std::string(standardName) : "'" + ToUtf8(path) + "'";
}

std::size_t ReadFull(ByteSource& source, char* buffer, std::size_t capacity) {
    std::size_t filled = 0;
    while (filled < capacity) {
        const std::size_t read = source.Read(buffer + filled, capacity - filled);
        if (read == 0) break;
        filled += read;
    }
    return filled;
}

constexpr char kOutOfMemoryMessage[] = "lumarind-cli: not enough memory\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

template <typename Step>
void Doing(const char* action, const std::wstring& path, Step&& step) {
    try {
        step();
    } catch (const Error& error) {
        throw Failure{action, path, error};
    } catch (const std::bad_alloc&) {
        throw Failure{action, path, OutOfMemoryError()};
    } catch (const std::length_error&) {
        throw Failure{action, path, OutOfMemoryError()};
    }
}

// Refused before anything is read: replacing the input with its own data URL
// would lose it.
void RefuseOutputOverInput(const CliOptions& options, CliPlatform& platform) {
    if (options.output.empty()) return;
    bool same = false;
    Doing("cannot write", options.output, [&] { same = platform.IsSameFile(options.input, options.output); });
    if (same) throw Failure{"cannot write", options.output, Error(errors::kInvalidArgument, L"it is the input file")};
}

void Encode(const CliOptions& options, CliPlatform& platform) {
    RefuseOutputOverInput(options, platform);
    std::unique_ptr<ByteSource> input;
    Doing("cannot read", options.input, [&] { input = platform.OpenInput(options.input); });

    std::wstring contentType;
    if (options.contentType) {
        contentType = *options.contentType;
    } else if (!options.input.empty()) {
        Doing("cannot look up the content type of", options.input, [&] {
            contentType = ContentTypeFor(tsGetFileExtension(options.input), *platform.NewRegistryReader());
        });
    }

    std::unique_ptr<ByteSink> output;
    Doing("cannot write", options.output, [&] { output = platform.OpenOutput(options.output); });
    const base64::Lines lines = options.oneLine ? base64::Lines::kSingle : base64::Lines::kBroken;
    std::vector<char> bytes(kInputChunk);
    std::vector<char> text(base64::EncodedLength(kInputChunk, lines) + 2);

    Doing("cannot write", options.output, [&] { output->Write(ToUtf8(DataUrlHeader(contentType, !options.oneLine))); });
    for (bool first = true;; first = false) {
        std::size_t count = 0;
        Doing("cannot read", options.input, [&] { count = ReadFull(*input, bytes.data(), bytes.size()); });
        if (count == 0) break;
        char* end = text.data();
        if (!first && lines == base64::Lines::kBroken) {
            *end++ = '\r';
            *end++ = '\n';
        }
        end = base64::Encode(bytes.data(), count, lines, end);
        Doing("cannot write", options.output, [&] { output->Write({text.data(), static_cast<std::size_t>(end - text.data())}); });
        if (count < bytes.size()) break;
    }
    Doing("cannot write", options.output, [&] { output->Commit(); });
}

void Decode(const CliOptions& options, CliPlatform& platform) {
    RefuseOutputOverInput(options, platform);
    std::string text;
    Doing("cannot read", options.input, [&] {
        const std::unique_ptr<ByteSource> input = platform.OpenInput(options.input);
        char buffer[65536];
        for (std::size_t read; (read = input->Read(buffer, sizeof buffer)) != 0;) text.append(buffer, read);
    });
    // Notepad starts what it saves as UTF-8 with a byte order mark.
    std::string_view dataUrl = text;
    if (dataUrl.substr(0, kByteOrderMark.size()) == kByteOrderMark) dataUrl.remove_prefix(kByteOrderMark.size());
    std::string bytes;
    Doing("cannot decode", options.input, [&] { bytes = DecodeDataUrl(dataUrl); });
    Doing("cannot write", options.output, [&] {
        const std::unique_ptr<ByteSink> output = platform.OpenOutput(options.output);
        output->Write(bytes);
        output->Commit();
    });
}

void WriteText(CliPlatform& platform, std::string_view text) {
    Doing("cannot write", L"", [&] { platform.WriteText(text); });
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
            Encode(options, platform);
            break;
        case CliOptions::Mode::kDecode:
            Decode(options, platform);
            break;
        }
        return kExitSuccess;
    } catch (const Failure& failure) {
        const char* standard = failure.action == std::string("cannot write") ? "standard output" : "standard input";
        platform.WriteError("lumarind-cli: " + failure.action + " " + Named(failure.path, standard) + ": " +
                            ToUtf8(failure.error.description()) + "\n");
        return kExitFailure;
    } catch (const Error& error) {
        platform.WriteError("lumarind-cli: " + ToUtf8(error.description()) + "\n");
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
