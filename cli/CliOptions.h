// The command line of lumarind-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumarind::cli {

struct CliOptions {
    enum class Mode { kEncode, kDecode, kHelp, kVersion };
    Mode mode = Mode::kEncode;
    bool oneLine = false;
    std::optional<std::wstring> contentType;
    // Empty: standard output.
    std::wstring output;
    // Empty: standard input (also for "-").
    std::wstring input;
};

// What a wrong command line gets: the message, and exit status 2.
struct UsageError {
    std::wstring message;
};

// The arguments after the program's name. Throws UsageError.
CliOptions ParseCliOptions(const std::vector<std::wstring>& arguments);

extern const char kUsageText[];

}  // namespace lumarind::cli
