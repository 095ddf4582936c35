// The command line: any argument vector (NUL-separated bytes, taken as the
// Linux build takes its arguments) gives options or a usage error, never
// anything else; lumarind-cli then ends with 0, 1 or 2 and says why.
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "cli/posix/FileNameBytes.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/unit/FakeCliPlatform.h"

using namespace lumarind;
using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::wstring> arguments;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\0', at), bytes.size());
        arguments.push_back(cli::FileNameFromBytes(bytes.substr(at, end - at)));
        at = end + 1;
    }

    bool usageError = false;
    try {
        const cli::CliOptions options = cli::ParseCliOptions(arguments);
        Require(!options.inputs.empty(), "there is always an input");
        Require(!options.toClipboard || (options.output.empty() && options.mode != cli::CliOptions::Mode::kDecode),
                "--copy goes with neither --output nor --decode");
        if (options.mode == cli::CliOptions::Mode::kDecode) {
            Require(options.inputs.size() == 1, "--decode reads one input");
        } else if (options.mode == cli::CliOptions::Mode::kEncode && options.inputs.size() > 1) {
            Require(options.format != cli::Format::kText || options.encoding == cli::Encoding::kPercent,
                    "several inputs only with one-line results");
        }
    } catch (const cli::UsageError& error) {
        Require(!error.message.empty(), "a usage error says what is wrong");
        usageError = true;
    }

    testing::FakeCliPlatform platform;
    platform.standardInput = "data:,x";
    platform.files[L"in.png"] = "\x89PNG";
    const int status = cli::RunCli(arguments, platform);
    Require((status == cli::kExitUsage) == usageError, "exit status 2 exactly for a usage error");
    Require(status == cli::kExitSuccess || status == cli::kExitFailure || status == cli::kExitUsage,
            "exit status 0, 1 or 2");
    Require((status == cli::kExitSuccess) == platform.standardError.empty(), "a failure, and only that, is told");
    return 0;
}
