#include <new>
#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "cli/win32/Win32CliPlatform.h"

int wmain(int argc, wchar_t** argv) {
    lumarind::cli::Win32CliPlatform platform;
    std::vector<std::wstring> arguments;
    try {
        arguments.assign(argv + 1, argv + argc);
    } catch (const std::bad_alloc&) {
        return lumarind::cli::ReportOutOfMemory(platform);
    }
    return lumarind::cli::RunCli(arguments, platform);
}
