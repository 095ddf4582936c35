// Where lumarind-cli's text goes. The output is opened when first asked what
// it is or written, and put in place only by Commit: a failure before that
// leaves the file untouched.
//
// Writing to a file is mostly the kernel copying the text into its cache,
// and that copy is longer than reading and encoding the input together. So
// the text is gathered in blocks of 512 KiB that a second thread hands to
// the system while the next block is filled, each whole and at an offset
// that is a multiple of its size: the kernel then fills whole pages of
// large folios instead of patching the edges of partial ones. Where the
// system gives no thread, or no memory for a second block, the blocks are
// written here, as they fill.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/CliPlatform.h"

namespace lumarind::cli {

class Output {
public:
    // The room Space gives.
    static constexpr std::size_t kMostAtOnce = std::size_t{256} << 10;

    // To the clipboard instead of the path, when told so.
    Output(CliPlatform& platform, std::wstring path, bool toClipboard = false);
    // Drops whatever was not committed.
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Each throws Failure.
    // The regular file this output writes over, if any, as the system found
    // it when opening the output.
    std::optional<FileIdentity> WrittenFile();
    void Write(std::string_view bytes);
    // Room for kMostAtOnce bytes after the text so far, to be filled and
    // then counted in by Add.
    char* Space();
    void Add(std::size_t count);
    void Commit();

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t size = 0;
    };

    void Open();
    // Hands the filled block's first kBlockSize bytes to the writer and goes
    // on in a free block with the rest.
    void PassOn();
    // The block to fill next: one the writer is done with, or a new one;
    // none when the block being filled is the only one there can be.
    Block NextBlock();
    // Writes the filled block's first kBlockSize bytes here and now.
    void WriteHere();
    // False when the system has no thread to give.
    bool StartWriter();
    // Waits until the writer is done with every block passed on.
    void Drain();
    // The writer's failure, if it had one, as the failure of this output.
    void ThrowWriterFailure();
    void WriteBlocks();
    void Stop();

    CliPlatform& platform_;
    std::wstring path_;
    bool toClipboard_;
    const char* action_;
    std::unique_ptr<ByteSink> sink_;
    Block filling_;
    std::size_t blocks_ = 0;
    // Lowered to the blocks there are when memory for another runs out.
    std::size_t mostBlocks_;

    // Shared with the writer thread, which starts with the first full block.
    // Both have room for every block from the start, so that neither thread
    // needs memory to pass a block on.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Block> queued_;
    std::vector<Block> free_;
    bool writing_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread writer_;
};

}  // namespace lumarind::cli
