#pragma once

#include "cli/CliPlatform.h"

namespace lumarind::cli {

// Files and standard handles through Win32 calls (bytes pass unchanged, no
// CR LF translation); content types from the registry, as the window does.
class Win32CliPlatform : public CliPlatform {
public:
    std::unique_ptr<ByteSource> OpenInput(const std::wstring& path) override;
    std::unique_ptr<ByteSink> OpenOutput(const std::wstring& path) override;
    std::unique_ptr<ByteSink> OpenClipboard() override;
    std::unique_ptr<RegistryReader> NewRegistryReader() override;
    std::wstring FileName(const std::wstring& path) const override;
    std::optional<FileIdentity> InputFile(const std::wstring& input) override;
    void WriteError(std::string_view text) override;
    void WriteText(std::string_view text) override;
    std::string_view LineBreak() const override;
};

}  // namespace lumarind::cli
