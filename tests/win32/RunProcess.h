#pragma once

#include <functional>
#include <string>

namespace lumarind::testing {

// Runs a command line to its end and returns what it wrote to standard
// output, so that a test can check what another process sees.
std::string RunProcess(const std::wstring& commandLine, unsigned long* exitCode = nullptr);

// The Unix name of a path, under Wine; empty elsewhere.
std::wstring UnixName(const std::wstring& path);

// Starts a Unix program under Wine and waits until the condition holds:
// Wine cannot wait for a Unix process itself. False when it does not by
// the deadline (or the program cannot start).
bool RunUnixProgram(std::wstring command, const std::function<bool()>& done);

}  // namespace lumarind::testing
