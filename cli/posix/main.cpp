#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "cli/posix/PosixCliPlatform.h"
#include "support/portable/Utf8.h"

int main(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(lumarind::FromUtf8(argv[i]));
    lumarind::cli::PosixCliPlatform platform;
    return lumarind::cli::RunCli(arguments, platform);
}
