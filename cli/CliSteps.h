// What every step of lumarind-cli shares: a failure that names the action
// and the file, and the output, opened only when the first bytes are ready.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "cli/CliPlatform.h"
#include "support/Error.h"

namespace lumarind::cli {

inline constexpr char kCannotRead[] = "cannot read";
inline constexpr char kCannotWrite[] = "cannot write";

struct Failure {
    std::string action;
    // Empty: standard input or output.
    std::wstring path;
    Error error;
};

// Runs a step; whatever it throws becomes a Failure of that action on that file.
template <typename Step>
void Doing(const char* action, const std::wstring& path, Step&& step) {
    try {
        step();
    } catch (const Error& error) {
        throw Failure{action, path, error};
    } catch (const std::bad_alloc&) {
        throw Failure{action, path, OutOfMemoryError()};
    } catch (const std::length_error&) {
        throw Failure{action, path, OutOfMemoryError()};
    }
}

// The output, opened at the first write so that a failure before it leaves
// the file (or device) untouched, and put in place only by Commit.
class Output {
public:
    Output(CliPlatform& platform, std::wstring path) : platform_(platform), path_(std::move(path)) {}
    void Write(std::string_view bytes) {
        Doing(kCannotWrite, path_, [&] {
            Open();
            sink_->Write(bytes);
        });
        written_ += bytes.size();
    }
    // The bytes written so far.
    std::uint64_t Written() const { return written_; }
    void Commit() {
        Doing(kCannotWrite, path_, [&] {
            Open();
            sink_->Commit();
        });
    }

private:
    void Open() {
        if (!sink_) sink_ = platform_.OpenOutput(path_);
    }

    CliPlatform& platform_;
    std::wstring path_;
    std::unique_ptr<ByteSink> sink_;
    std::uint64_t written_ = 0;
};

}  // namespace lumarind::cli
