// The output forms: any file name, content type, format and encoding give
// a text that --decode turns back into the file's bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "cli/posix/FileNameBytes.h"
#include "tests/fuzz/CliFuzz.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace lumarind;
using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const wchar_t* const format = input.PickValueInArray({L"text", L"line", L"css", L"html", L"markdown"});
    const wchar_t* const encoding = input.PickValueInArray({L"base64", L"percent", L"auto"});
    const std::wstring name = cli::FileNameFromBytes(input.ConsumeRandomLengthString(64));
    const std::wstring type = cli::FileNameFromBytes(input.ConsumeRandomLengthString(64));
    const bool withCharset = input.ConsumeBool();
    const std::wstring charset = cli::FileNameFromBytes(input.ConsumeRandomLengthString(16));
    const std::string content = input.ConsumeRemainingBytesAsString();
    if (name.empty()) return 0;

    testing::FakeCliPlatform platform;
    platform.files[name] = content;
    platform.standardInput = content;  // the name "-"
    std::vector<std::wstring> arguments{L"-t", type, L"-f", format, L"-e", encoding};
    if (withCharset) arguments.insert(arguments.end(), {L"--charset", charset});
    arguments.insert(arguments.end(), {L"--", name});
    const int status = cli::RunCli(arguments, platform);
    if (status == cli::kExitUsage) return 0;  // a type or charset that is not one
    Require(status == cli::kExitSuccess, "any name and valid type encode");

    const fuzz::CliResult decoded = fuzz::RunCliOn({L"-d"}, platform.standardOutput);
    Require(decoded.status == cli::kExitSuccess, "what lumarind-cli writes, --decode reads");
    Require(decoded.output == content, "--decode gives back the file's bytes");
    return 0;
}
