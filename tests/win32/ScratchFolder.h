// A fresh folder under the temporary folder for one test, removed with
// everything in it afterwards, and small file helpers.
#pragma once

#include <string>
#include <vector>

namespace lumarind::testing {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& suffix = L"");
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
    std::vector<std::wstring> Names() const;

private:
    std::wstring path_;
};

// The names in a folder, hidden ones included.
std::vector<std::wstring> NamesIn(const std::wstring& folder);
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);

}  // namespace lumarind::testing
