#pragma once

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

// Reads files, whole or in pieces, and replaces files atomically: a write goes to a
// temporary file beside the target, is flushed, and then moved over it.
class FileAccessWin32 : public FileAccess {
public:
    std::string ReadFile(const std::wstring& path, bool, int, int, int, std::int32_t&, std::int32_t&,
                         std::int32_t&, bool&) override;
    void WriteFile(const std::wstring& path, std::wstring_view text, bool, int, int, int, std::int32_t&,
                   TextForm form = TextForm::kAsIs) override;
    std::unique_ptr<FileContent> OpenContent(const std::wstring& path) override;
    void WriteBytes(const std::wstring& path, std::string_view bytes, WorkProgress* progress = nullptr) override;
    // An ASCII text is written as it stands, its one-line form a slice at a time.
    void WriteText(const std::wstring& path, TextView text, TextForm form,
                   WorkProgress* progress = nullptr) override;
};

}  // namespace lumarind::win32
