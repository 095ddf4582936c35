#pragma once

#include <string>
#include <vector>

#include "cli/CliPlatform.h"

namespace lumarind::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Runs lumarind-cli with the arguments after its name; the exit status.
int RunCli(const std::vector<std::wstring>& arguments, CliPlatform& platform) noexcept;

// Tells the user that memory ran out, without needing any; the exit status.
int ReportOutOfMemory(CliPlatform& platform) noexcept;

}  // namespace lumarind::cli
