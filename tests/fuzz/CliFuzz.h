// lumarind-cli run in memory, for the targets that check its whole path.
#pragma once

#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "tests/unit/FakeCliPlatform.h"

namespace lumarind::fuzz {

struct CliResult {
    int status;
    std::string output;
    std::string error;
};

inline CliResult RunCliOn(const std::vector<std::wstring>& arguments, std::string standardInput) {
    testing::FakeCliPlatform platform;
    platform.standardInput = std::move(standardInput);
    const int status = cli::RunCli(arguments, platform);
    return {status, platform.standardOutput, platform.standardError};
}

}  // namespace lumarind::fuzz
