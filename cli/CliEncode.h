#pragma once

#include "cli/CliOptions.h"
#include "cli/CliSteps.h"

namespace lumarind::cli {

// Writes the data URL of one input in the form the options ask for. Throws
// Failure.
void EncodeInput(const CliOptions& options, const std::wstring& path, CliPlatform& platform, Output& output);

}  // namespace lumarind::cli
