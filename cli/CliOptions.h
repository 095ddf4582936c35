// The command line of lumarind-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/OutputFormats.h"

namespace lumarind::cli {

// How the content is written in the data URL. kAuto picks the percent form
// for text when that is shorter.
enum class Encoding { kBase64, kPercent, kAuto };

// -t auto: the type browsers expect, found by lumarind-cli itself.
inline constexpr wchar_t kAutoType[] = L"auto";

struct CliOptions {
    enum class Mode { kEncode, kDecode, kHelp, kVersion };
    Mode mode = Mode::kEncode;
    Format format = Format::kText;
    Encoding encoding = Encoding::kBase64;
    std::optional<std::wstring> contentType;
    std::optional<std::wstring> charset;
    // --max-size: the most bytes one input's result may have.
    std::optional<std::size_t> maxSize;
    // Empty: standard output.
    std::wstring output;
    // --copy: the clipboard instead of standard output.
    bool toClipboard = false;
    // An empty name stands for standard input ("-", or no file at all).
    std::vector<std::wstring> inputs{std::wstring()};
};

// What a wrong command line gets: the message, and exit status 2.
struct UsageError {
    std::wstring message;
};

// A size as --max-size takes it: a whole number of bytes, or of KiB, MiB or
// GiB with the suffix k, M or G (either case). Empty when text is none.
std::optional<std::size_t> ParseSize(std::wstring_view text);

// The arguments after the program's name. Throws UsageError.
CliOptions ParseCliOptions(const std::vector<std::wstring>& arguments);

extern const char kUsageText[];

}  // namespace lumarind::cli
