#pragma once

#include <string>

namespace lumarind::testing {

// Runs a command line to its end and returns what it wrote to standard
// output, so that a test can check what another process sees.
std::string RunProcess(const std::wstring& commandLine, unsigned long* exitCode = nullptr);

}  // namespace lumarind::testing
