// lumarind-cli's system in memory, for the unit tests and the fuzz targets.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "cli/CliPlatform.h"
#include "cli/CliSteps.h"
#include "cli/SafeFileName.h"
#include "support/Error.h"
#include "tests/unit/FakeRegistryReader.h"

namespace lumarind::testing {

// Files in memory; an output file appears only when committed.
class FakeCliPlatform : public cli::CliPlatform {
public:
    class Source : public cli::ByteSource {
    public:
        Source(std::string bytes, bool regular, std::size_t shortenedAt = std::string::npos)
            : bytes_(std::move(bytes)), regular_(regular), shortenedAt_(shortenedAt) {}
        std::size_t SizeHint() const override { return regular_ ? bytes_.size() : 0; }
        std::size_t Read(char* buffer, std::size_t capacity) override {
            const std::size_t count = std::min(capacity, bytes_.size() - at_);
            bytes_.copy(buffer, count, at_);
            // Past a mapped file's new end, pages of zeros stand in.
            if (at_ + count > shortenedAt_) {
                const std::size_t kept = at_ > shortenedAt_ ? 0 : shortenedAt_ - at_;
                std::fill(buffer + kept, buffer + count, '\0');
            }
            at_ += count;
            return count;
        }
        void CheckLent() const override {
            if (at_ > shortenedAt_) throw cli::ChangedWhileReadError();
        }

    private:
        std::string bytes_;
        bool regular_;
        std::size_t shortenedAt_;
        std::size_t at_ = 0;
    };
    class Sink : public cli::ByteSink {
    public:
        Sink(FakeCliPlatform& platform, std::wstring path) : platform_(platform), path_(std::move(path)) {}
        void Write(std::string_view bytes) override {
            if (platform_.outOfMemoryIn == L"sink") throw std::bad_alloc();
            if (platform_.failWrites || pending_.size() + bytes.size() > platform_.roomForOutput) {
                throw Error(28, L"No space left on device");
            }
            pending_ += bytes;
        }
        void Commit() override {
            if (path_ == kClipboard) platform_.clipboard = pending_;
            else if (path_.empty()) platform_.standardOutput += pending_;
            else platform_.files[path_] = pending_;
        }
        std::optional<cli::FileIdentity> WrittenFile() const override {
            return platform_.IdentityOf(path_.empty() ? platform_.standardOutputFile : path_);
        }

    private:
        FakeCliPlatform& platform_;
        std::wstring path_;
        std::string pending_;
    };

    // A new file in a folder: files[folder + "/" + name], never over one there.
    class NewFile : public cli::NewFileSink {
    public:
        NewFile(FakeCliPlatform& platform, std::wstring folder) : platform_(platform), folder_(std::move(folder)) {}
        void Write(std::string_view bytes) override { pending_ += bytes; }
        void SetName(const std::wstring& name) override { name_ = name; }
        std::wstring Name() const override { return name_; }
        void Commit() override {
            for (int number = 1;; ++number) {
                const std::wstring name = number == 1 ? name_ : cli::NumberedName(name_, number);
                if (platform_.files.emplace(folder_ + L"/" + name, pending_).second) {
                    name_ = name;
                    return;
                }
            }
        }

    private:
        FakeCliPlatform& platform_;
        std::wstring folder_;
        std::wstring name_;
        std::string pending_;
    };

    std::unique_ptr<cli::ByteSource> OpenInput(const std::wstring& path) override {
        if (path.empty()) return std::make_unique<Source>(standardInput, false);
        const auto found = files.find(path);
        if (found == files.end()) throw Error(2, L"No such file or directory");
        const auto shortened = shortenedAt.find(path);
        auto source = std::make_unique<Source>(found->second, true,
                                               shortened == shortenedAt.end() ? std::string::npos : shortened->second);
        // Another program writes the file once it has been opened.
        if (const auto change = changes.find(path); change != changes.end()) found->second = change->second;
        return source;
    }
    std::unique_ptr<cli::ByteSink> OpenOutput(const std::wstring& path) override {
        return std::make_unique<Sink>(*this, path);
    }
    std::unique_ptr<cli::NewFileSink> NewFileIn(const std::wstring& folder) override {
        return std::make_unique<NewFile>(*this, folder);
    }
    std::unique_ptr<cli::ByteSink> OpenClipboard() override {
        if (!clipboardPresent) throw Error(0x20000003, L"none of wl-copy (Wayland), xclip and xsel (X11) is installed");
        return std::make_unique<Sink>(*this, kClipboard);
    }
    std::unique_ptr<RegistryReader> NewRegistryReader() override {
        if (outOfMemoryIn == L"registry") throw std::bad_alloc();
        ++registryReaders;
        return registry.NewReader();
    }
    std::wstring FileName(const std::wstring& path) const override { return path.substr(path.rfind(L'/') + 1); }
    std::optional<cli::FileIdentity> InputFile(const std::wstring& input) override {
        return IdentityOf(input.empty() ? standardInputFile : input);
    }
    // A file by any of its names; none for a missing one.
    std::optional<cli::FileIdentity> IdentityOf(const std::wstring& path) const {
        const auto alias = links.find(path);
        const std::wstring& name = alias == links.end() ? path : alias->second;
        if (files.count(name) == 0) return std::nullopt;
        return cli::FileIdentity{1, std::hash<std::wstring>{}(name)};
    }
    void WriteError(std::string_view text) override { standardError += text; }
    std::string_view LineBreak() const override { return lineBreak; }
    void WriteText(std::string_view text) override {
        if (outOfMemoryIn == L"text") throw std::bad_alloc();
        standardOutput += text;
    }

    // The name the fake gives the clipboard's sink.
    static constexpr wchar_t kClipboard[] = L"<clipboard>";
    std::string clipboard = "before";
    bool clipboardPresent = true;
    std::map<std::wstring, std::string> files;
    // What a file holds from the moment it is first opened.
    std::map<std::wstring, std::string> changes;
    // Another program shortens the file to this size while it is lent.
    std::map<std::wstring, std::size_t> shortenedAt;
    int registryReaders = 0;
    // Another name for a file, as a link or a second path gives one.
    std::map<std::wstring, std::wstring> links;
    // The files standard input and output were redirected from and to, if any.
    std::wstring standardInputFile;
    std::wstring standardOutputFile;
    // Where the next allocation fails: "text", "registry" or "sink".
    std::wstring outOfMemoryIn;
    std::string lineBreak = "\n";
    std::string standardInput;
    std::string standardOutput;
    std::string standardError;
    bool failWrites = false;
    // A write past this many bytes of one output fails, as on a full disk.
    std::size_t roomForOutput = static_cast<std::size_t>(-1);
    FakeRegistry registry;
};

}  // namespace lumarind::testing
