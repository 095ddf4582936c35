// What lumarind-cli needs of the system: files and standard streams, the
// content-type registry and standard error. One implementation per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "support/ComponentObjects.h"

namespace lumarind::cli {

// What tells one regular file from another however it is named: its
// device or volume, and its number there. Where the system will not name the
// volume of an open file (a redirected standard handle under Wine), its
// number, last write and size stand in: two files on different volumes that
// share a number are not also written at the same 100 ns with the same size.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    bool deviceKnown = true;
    std::uint64_t lastWrite = 0;
    std::uint64_t size = 0;
    bool operator==(const FileIdentity& other) const {
        if (index != other.index) return false;
        if (deviceKnown && other.deviceKnown) return device == other.device;
        return lastWrite == other.lastWrite && size == other.size;
    }
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to capacity bytes; 0 at the end. Throws lumarind::Error.
    virtual std::size_t Read(char* buffer, std::size_t capacity) = 0;
    // Up to most bytes, valid until the next call; empty at the end. A file
    // may lend them from a mapping, where Read would copy them into buffer.
    // A source is read by Read or by Lend, not by both.
    virtual std::string_view Lend(char* buffer, std::size_t most) { return {buffer, Read(buffer, most)}; }
    // Throws lumarind::Error when bytes lent so far were not the file's own
    // (another program shortened it under the mapping).
    virtual void CheckLent() const {}
    // The bytes a file holds, to make room for them at once; 0 when unknown.
    virtual std::size_t SizeHint() const { return 0; }
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
    // A file sink puts the file in place only here; dropped uncommitted, it
    // leaves whatever was there before.
    virtual void Commit() = 0;
    // The regular file that is written over, if any: none for a new file, a
    // pipe or a device.
    virtual std::optional<FileIdentity> WrittenFile() const { return std::nullopt; }
};

// A new file in a folder, named only once complete: Commit flushes it and
// gives it the name set, or "stem (2).ext", "stem (3).ext"... the first that
// no file in the folder has; a file that is there is never replaced.
// Dropped uncommitted, it leaves nothing behind.
class NewFileSink : public ByteSink {
public:
    virtual void SetName(const std::wstring& name) = 0;
    // The name it got, once committed.
    virtual std::wstring Name() const = 0;
};

class CliPlatform {
public:
    virtual ~CliPlatform() = default;
    // An empty path means standard input or output.
    virtual std::unique_ptr<ByteSource> OpenInput(const std::wstring& path) = 0;
    virtual std::unique_ptr<ByteSink> OpenOutput(const std::wstring& path) = 0;
    // A new file in folder, which is made when it is missing.
    virtual std::unique_ptr<NewFileSink> NewFileIn(const std::wstring& folder) = 0;
    // Gathers the text and puts it on the clipboard at Commit, so that a
    // run that fails before leaves the clipboard as it was.
    virtual std::unique_ptr<ByteSink> OpenClipboard() = 0;
    virtual std::unique_ptr<RegistryReader> NewRegistryReader() = 0;
    // The file's name without its folder, as this system separates them.
    virtual std::wstring FileName(const std::wstring& path) const = 0;
    // The regular file an input names, by whatever path or link; none for a
    // missing file, a pipe or a device. An empty input means whatever
    // standard input reads.
    virtual std::optional<FileIdentity> InputFile(const std::wstring& input) = 0;
    // UTF-8 text for the user on standard error or output (help, version):
    // legible on a console, unchanged bytes to a pipe or file.
    virtual void WriteError(std::string_view text) = 0;
    virtual void WriteText(std::string_view text) = 0;
    // What follows each result when several files are written: the
    // platform's own line break.
    virtual std::string_view LineBreak() const = 0;
};

}  // namespace lumarind::cli
