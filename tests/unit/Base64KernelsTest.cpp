#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codecs/Base64Blocks.h"
#include "codecs/Base64Decoding.h"
#include "codecs/Base64Lines.h"
#include "codecs/Base64Stream.h"
#include "tests/unit/KernelTestName.h"

namespace lumarind::base64 {
namespace {

class Base64KernelTest : public ::testing::TestWithParam<const Kernel*> {
protected:
    void SetUp() override {
        if (!GetParam()->available()) GTEST_SKIP() << "this processor has no " << GetParam()->name;
    }
};

// Every vector kernel against the portable one: lengths and start addresses at
// random, the input in a block of exactly its size so that a sanitizer sees
// any read past it, and the output between guard bytes.
TEST_P(Base64KernelTest, GivesWhatThePortableKernelGivesForEveryLengthAndLineForm) {
    std::mt19937 random(4096);
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 130; ++n) lengths.push_back(n);
    for (int k = 0; k < 400; ++k) lengths.push_back(random() % 4097);
    constexpr unsigned char kGuard = 0xA5;
    for (const std::size_t length : lengths) {
        const std::size_t shift = random() % 16;
        std::unique_ptr<unsigned char[]> block(new unsigned char[length + shift]);
        unsigned char* in = block.get() + shift;
        for (std::size_t i = 0; i < length; ++i) in[i] = static_cast<unsigned char>(random());
        for (const Lines lines : {Lines::kBroken, Lines::kSingle}) {
            const std::size_t size = EncodedLength(length, lines);
            std::vector<unsigned char> expected(size), got(size + 64, kGuard);
            ASSERT_EQ(EncodeBytes(kPortableKernel, in, length, lines, expected.data()), expected.data() + size);
            ASSERT_EQ(EncodeBytes(*GetParam(), in, length, lines, got.data() + 32), got.data() + 32 + size);
            ASSERT_EQ(std::vector<unsigned char>(got.begin() + 32, got.begin() + 32 + size), expected)
                << "length " << length << (lines == Lines::kSingle ? ", one line" : ", in lines");
            for (std::size_t i = 0; i < 32; ++i) {
                ASSERT_EQ(got[i], kGuard) << "written before the output, length " << length;
                ASSERT_EQ(got[32 + size + i], kGuard) << "written after the output, length " << length;
            }
        }
    }
}

// The same content handed over in pieces of odd sizes, through each kernel:
// single bytes, pieces around a line's 57 bytes, and random sizes.
TEST_P(Base64KernelTest, AStreamInOddPiecesGivesTheWholeText) {
    std::mt19937 random(57);
    for (int round = 0; round < 300; ++round) {
        const std::size_t length = random() % 4097;
        std::string content(length, '\0');
        for (char& c : content) c = static_cast<char>(random());
        const std::size_t pieceKind = round % 4;
        for (const Lines lines : {Lines::kBroken, Lines::kSingle}) {
            std::vector<unsigned char> expected(EncodedLength(length, lines));
            EncodeBytes(kPortableKernel, reinterpret_cast<const unsigned char*>(content.data()), length, lines,
                        expected.data());
            Base64Stream stream(lines, *GetParam());
            std::vector<char> got(Base64Stream::MostCharacters(length));
            char* end = got.data();
            for (std::size_t at = 0; at < length;) {
                const std::size_t sizes[] = {1, 56 + random() % 3, 1 + random() % 300, 114 + random() % 2};
                const std::size_t piece = std::min(sizes[pieceKind], length - at);
                end = stream.Add(content.data() + at, piece, end);
                at += piece;
            }
            end = stream.Finish(end);
            ASSERT_EQ(std::string(got.data(), end), std::string(expected.begin(), expected.end()))
                << "length " << length << ", pieces of kind " << pieceKind;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, Base64KernelTest, ::testing::ValuesIn(std::next(std::begin(kKernels)), std::end(kKernels)),
                         KernelTestName());

class Base64DecodeKernelTest : public ::testing::TestWithParam<const DecodeKernel*> {
protected:
    void SetUp() override {
        if (!GetParam()->available()) GTEST_SKIP() << "this processor has no " << GetParam()->name;
    }

    // The kernel and the portable loop on the same text: the same count
    // taken, the same bytes, and nothing written past the slack.
    void ExpectSameAsPortable(const std::string& text, const char* what) {
        constexpr unsigned char kGuard = 0xA5;
        const std::size_t most = text.size() / 4 * 3;
        std::vector<unsigned char> expected(most + kDecodeSlack), got(most + 2 * kDecodeSlack, kGuard);
        const auto* in = reinterpret_cast<const unsigned char*>(text.data());
        const std::size_t taken = kPortableDecodeKernel.decodeRun(in, text.size(), expected.data());
        ASSERT_EQ(GetParam()->decodeRun(in, text.size(), got.data()), taken) << what << ", length " << text.size();
        ASSERT_TRUE(std::equal(expected.begin(), expected.begin() + taken / 4 * 3, got.begin()))
            << what << ", length " << text.size();
        for (std::size_t i = most + kDecodeSlack; i < got.size(); ++i) ASSERT_EQ(got[i], kGuard) << "length " << text.size();

        // Its whole lines again, apart, with line breaks that are not Base64 between them.
        const std::size_t lines = text.size() / kLineLength;
        std::string apart;
        for (std::size_t i = 0; i < lines; ++i) apart += text.substr(i * kLineLength, kLineLength) + "\r\n";
        const std::size_t joined = kPortableDecodeKernel.decodeRun(in, lines * kLineLength, expected.data());
        std::fill(got.begin(), got.end(), kGuard);
        ASSERT_EQ(GetParam()->decodeLines(reinterpret_cast<const unsigned char*>(apart.data()), lines, kLineLength + 2,
                                          got.data()),
                  joined)
            << what << " in lines, length " << text.size();
        ASSERT_TRUE(std::equal(expected.begin(), expected.begin() + joined / 4 * 3, got.begin()))
            << what << " in lines, length " << text.size();
        for (std::size_t i = lines * kBytesPerLine + kDecodeSlack; i < got.size(); ++i) ASSERT_EQ(got[i], kGuard);
    }
};

// Every length from 0 to 4096 of alphabet characters, and then each
// character outside the alphabet in turn at every place of a text.
TEST_P(Base64DecodeKernelTest, TakesWhatThePortableLoopTakesAtEveryLengthAndFault) {
    constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::mt19937 random(64);
    std::string text;
    for (std::size_t length = 0; length <= 4096; ++length) {
        ExpectSameAsPortable(text, "alphabet only");
        if (length != 0) {
            std::string faulty = text;
            faulty[random() % length] = static_cast<char>(random() % 2 ? '\n' : '=');
            ExpectSameAsPortable(faulty, "a line break or padding");
        }
        text += kAlphabet[random() % 64];
    }
    std::string outside;
    for (int c = 0; c < 256; ++c) {
        if (detail::kDecodeTable.value[c] == detail::kNotBase64) outside += static_cast<char>(c);
    }
    ASSERT_EQ(outside.size(), 192u);
    text.resize(700);
    for (std::size_t at = 0; at < text.size(); ++at) {
        std::string faulty = text;
        faulty[at] = outside[at % outside.size()];
        ExpectSameAsPortable(faulty, "a fault");
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, Base64DecodeKernelTest, ::testing::ValuesIn(kDecodeKernels),
                         KernelTestName());

// The portable loop itself against the encoder: every text of every length
// decodes back to its bytes.
TEST(Base64DecodeKernels, ThePortableLoopUndoesTheEncoder) {
    std::mt19937 random(3);
    for (std::size_t length = 0; length <= 300; length += 3) {
        std::vector<unsigned char> bytes(length), text(EncodedLength(length, Lines::kSingle)), back(length + kDecodeSlack);
        for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
        EncodeBytes(bytes.data(), length, Lines::kSingle, text.data());
        ASSERT_EQ(kPortableDecodeKernel.decodeRun(text.data(), text.size(), back.data()), text.size());
        ASSERT_TRUE(std::equal(bytes.begin(), bytes.end(), back.begin())) << length;
    }
}

TEST(Base64Kernels, TheBestIsOneThisProcessorRuns) {
    EXPECT_TRUE(BestKernel().available());
    EXPECT_EQ(&BestKernel(), [] {
        const Kernel* last = nullptr;
        for (const Kernel* kernel : kKernels) {
            if (kernel->available()) last = kernel;
        }
        return last;
    }());
}

}  // namespace
}  // namespace lumarind::base64
