#pragma once

#include <memory>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CliSteps.h"
#include "cli/Output.h"

namespace lumarind::cli {

// The content types the system registers for extensions, read at the first
// question and then kept for every input of the run.
class RegisteredTypes {
public:
    explicit RegisteredTypes(CliPlatform& platform) : platform_(platform) {}
    // The type for an extension (without the dot); empty when it has none
    // or the extension is empty. Throws Failure naming the file at path.
    std::wstring For(const std::wstring& extension, const std::wstring& path);

private:
    CliPlatform& platform_;
    std::unique_ptr<RegistryReader> reader_;
};

// Writes the data URL of one input in the form the options ask for: decides
// its type, charset and encoding, writes the header, the body and the end of
// the snippet, and warns of browsers that would refuse it. False, with a
// message and nothing written, when the result would be longer than
// --max-size allows. Throws Failure.
bool EncodeInput(const CliOptions& options, const std::wstring& path, CliPlatform& platform,
                 RegisteredTypes& registered, Output& output);

}  // namespace lumarind::cli
