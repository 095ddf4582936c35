#pragma once

#include "cli/CliPlatform.h"

namespace lumarind::cli {

// Files through POSIX calls; an output file is written beside its target
// under a temporary name, flushed to disk and renamed over it.
class PosixCliPlatform : public CliPlatform {
public:
    std::unique_ptr<ByteSource> OpenInput(const std::wstring& path) override;
    std::unique_ptr<ByteSink> OpenOutput(const std::wstring& path) override;
    std::unique_ptr<RegistryReader> NewRegistryReader() override;
    void WriteError(std::string_view line) override;
};

}  // namespace lumarind::cli
