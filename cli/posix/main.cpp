#include <new>
#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "cli/posix/FileNameBytes.h"
#include "cli/posix/PosixCliPlatform.h"

int main(int argc, char** argv) {
    lumarind::cli::PosixCliPlatform platform;
    std::vector<std::wstring> arguments;
    try {
        for (int i = 1; i < argc; ++i) arguments.push_back(lumarind::cli::FileNameFromBytes(argv[i]));
    } catch (const std::bad_alloc&) {
        return lumarind::cli::ReportOutOfMemory(platform);
    }
    return lumarind::cli::RunCli(arguments, platform);
}
