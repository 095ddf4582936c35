#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "cli/win32/Win32CliPlatform.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> arguments(argv + 1, argv + argc);
    lumarind::cli::Win32CliPlatform platform;
    return lumarind::cli::RunCli(arguments, platform);
}
