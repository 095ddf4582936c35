#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/DataUrlDecoder.h"
#include "codecs/Base64Decoding.h"
#include "codecs/PercentDecoding.h"
#include "support/Error.h"
#include "support/portable/Utf8.h"

namespace lumarind {
namespace {

using namespace std::string_literals;

// The bytes, or the fault's text, of a text decoded in pieces of the given size (0: whole).
std::string Decoded(const std::string& text, std::size_t piece = 0,
                    const base64::DecodeKernel& kernel = base64::BestDecodeKernel(),
                    const percent::DecodeKernel& percentKernel = percent::BestDecodeKernel()) {
    std::string bytes(DataUrlDecoder::MostBytes(text.size()) + (piece ? text.size() * 2 + 4 * DataUrlDecoder::kLookahead : 0), '\0');
    char* out = bytes.data();
    try {
        DataUrlDecoder decoder(kernel, percentKernel);
        if (piece == 0) {
            decoder.Add(text.data(), text.size(), out);
        } else {
            for (std::size_t at = 0; at < text.size(); at += piece) {
                decoder.Add(text.data() + at, std::min(piece, text.size() - at), out);
            }
        }
        decoder.Finish(out);
    } catch (const Error& error) {
        return "fault: " + ToUtf8(error.description());
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    return bytes;
}

// One of lumarind's lines of 76 characters, "ABC" nineteen times.
const std::string kLine = [] {
    std::string line;
    for (int i = 0; i < 19; ++i) line += "QUJD";
    return line;
}();
const std::string kLineBytes = [] {
    std::string bytes;
    for (int i = 0; i < 19; ++i) bytes += "ABC";
    return bytes;
}();

struct Case {
    std::string text;
    std::string expected;
};

// What fetch() gives for each of these (fault: where it fails), and the
// snippets lumarind-cli writes with their escapes undone.
const Case kCases[] = {
    {"data:image/png;base64,\r\nYWJj\r\nZA==", "abcd"},
    {"  data:;base64,YWJjZA==\n", "abcd"},
    {"DATA:text/plain;BASE64,YQ==", "a"},
    {"data:;base64,", ""},
    {"data:,Hello%2C%20World%21", "Hello, World!"},
    {"data:text/plain;charset=utf-8,%D0%96", "\xD0\x96"},
    {"\xEF\xBB\xBF" "data:,bom", "bom"},
    // Forgiving-base64: no padding, padding percent-encoded, white space anywhere.
    {"data:;base64,YWI", "ab"},
    {"data:;base64,YQ", "a"},
    {"data:;base64,YQ%3D%3D", "a"},
    {"data:;base64,Y Q = =", "a"},
    {"data:;base64,Y%20Q%0C==", "a"},
    {"data:;base64,YR==", "a"},
    {"data:; base64,YQ==", "a"},
    {"data:text/plain;a=b ;  BaSe64 ,YQ==", "a"},
    {"data:;base64;x=y,YQ==", "YQ=="},
    {"data:base64,YQ==", "YQ=="},
    {"data:;base64,YQ==#fragment", "a"},
    {"data:,a#b", "a"},
    {"data:,a\tb\nc\rd\r\n", "a\tb\nc\rd"},
    // Whole lines, with either line break or both, and faults in each part of a line.
    {"data:;base64,\r\n" + kLine + "\r\n" + kLine + "\n" + kLine + "\r\nQUJD", kLineBytes + kLineBytes + kLineBytes + "ABC"},
    // A longer line among whole ones, whose break is not where theirs is.
    {"data:;base64,\n" + kLine + "\n" + kLine + "QUJD\n" + kLine + "\n" + kLine, kLineBytes + kLineBytes + "ABC" + kLineBytes + kLineBytes},
    {"data:;base64,\r\n" + kLine + "\r\n" + kLine + "QUJD\r\n" + kLine + "\r\n" + kLine, kLineBytes + kLineBytes + "ABC" + kLineBytes + kLineBytes},
    {"data:;base64,\r\n" + kLine + "\r\n" + kLine + "Q\nUJD", kLineBytes + kLineBytes + "ABC"},
    // A space inside a line of 76, which the line's group of four goes on over.
    {"data:;base64,\n" + kLine + "\n" + kLine.substr(0, 36) + "Q UJD" + kLine.substr(0, 35) + "\nD" + kLine.substr(0, 75) + "\nD",
     kLineBytes + kLineBytes + kLineBytes},
    {"data:;base64,\n" + kLine + "\n" + kLine.substr(0, 69) + "$" + kLine.substr(70) + "\n",
     "fault: invalid character '$' at line 3, column 70 (byte 161)"},
    {"data:;base64,\r\n" + kLine + "\r\n" + kLine.substr(0, 9) + "\x01" + kLine.substr(10),
     "fault: invalid character 0x01 at line 3, column 10 (byte 103)"},
    {"data:;base64,\r\n" + kLine + "\r\n" + kLine + "\r\nQUJD$", "fault: invalid character '$' at line 4, column 5 (byte 176)"},
    // A second URL on the line after whole lines, its "data" a Base64 group.
    {"data:;base64,\n" + kLine + "\ndata:;base64,YQ==",
     "fault: a second data URL (--decode reads one; --extract FOLDER writes each to a file) at line 3, column 5 (byte 96)"},
    {"data:;base64,\r\n" + kLine + "\r\n" + kLine + "\r\ndata:,a",
     "fault: a second data URL (--decode reads one; --extract FOLDER writes each to a file) at line 4, column 5 (byte 176)"},
    {"data:;base64,%\n41", "fault: invalid character '%' at line 1, column 14 (byte 14)"},
    {"data:,a b  ", "a b"},
    // Long enough for the runs read eight characters at a time.
    {"data:,abcdefgh%41bcdefghijk#qrstuvwxyz", "abcdefghAbcdefghijk"},
    {"data:,abcdefgh i \x01           ", "abcdefgh i"},
    // More spaces than are held back: kept inside the body, refused at its end.
    {"data:,a" + std::string(65537, ' ') + "b", "a" + std::string(65537, ' ') + "b"},
    {"url(\"data:,a" + std::string(65537, ' ') + "\")",
     "fault: the data URL ends in more than 64 KiB of spaces and control characters in a row, too many to drop at line 1, column 13 (byte 13)"},
    {"data:;base64,YQ==" + std::string(65537, ' ') + "\x01" + std::string(65537, '\0'), "a"},
    {"data:,%", "%"},
    {"data:,%4", "%4"},
    {"data:,%zz%41", "%zzA"},
    {"data:,%%41", "%A"},
    {"data:,%4\n1", "%4\n1"},
    {"data:,a;b%3B", "a;b;"},
    {"data:;base64,%59%51==", "a"},
    {"da\nta:,x", "x"},
    // Refused as fetch() refuses them, each fault with its place.
    {"", "fault: not a data URL (it does not start with \"data:\") at line 1, column 1 (byte 1)"},
    {"http://x,abc", "fault: not a data URL (it does not start with \"data:\") at line 1, column 5 (byte 5)"},
    {"data:;base64", "fault: no ',' after the media type at line 1, column 13 (byte 13)"},
    {"data:text#,a", "fault: no ',' after the media type at line 1, column 10 (byte 10)"},
    {"data:;base64,Y", "fault: the Base64 text ends one character after its last group of four, too few for a byte at line 1, column 14 (byte 14)"},
    {"data:;base64,YWJjZ", "fault: the Base64 text ends one character after its last group of four, too few for a byte at line 1, column 18 (byte 18)"},
    {"data:;base64,YQ=", "fault: '=' where the length of the Base64 text allows none at line 1, column 16 (byte 16)"},
    {"data:;base64,Y===", "fault: '=' where the length of the Base64 text allows none at line 1, column 15 (byte 15)"},
    {"data:;base64,YQ==YQ==", "fault: '=' before the end of the Base64 text at line 1, column 16 (byte 16)"},
    {"data:;base64,YW=j", "fault: '=' before the end of the Base64 text at line 1, column 16 (byte 16)"},
    {"data:;base64,\r\nYWJj\r\nYW$j", "fault: invalid character '$' at line 3, column 3 (byte 24)"},
    {"data:;base64,%", "fault: invalid character '%' at line 1, column 14 (byte 14)"},
    {"data:;base64,YQ%FF", "fault: invalid character 0xFF at line 1, column 16 (byte 16)"},
    {"data:;base64,\x01YQ==", "fault: invalid character 0x01 at line 1, column 14 (byte 14)"},
    // Our snippets, their escapes undone.
    {"url(\"data:,a\\\"b\")", "a\"b"},
    {"url(\"data:,a\\\\b\\41 c\")\n", "a\\bAc"},
    {"url('data:,a\"b')", "a\"b"},
    {"url(data:,ab)", "ab"},
    {"<img src=\"data:,a&amp;b&lt;&#65;&#x42;&quot\" alt=\"a.png\">", "a&b<AB\""},
    {"<a href=\"data:application/pdf;base64,YQ==\" download=\"&lt;r&gt;.pdf\">&lt;r&gt;.pdf</a>\r\n", "a"},
    {"[x](data:,a\\)b)", "a)b"},
    {"![x\\]](data:,a(b)c \"title (1)\")", "a(b)c"},
    {"[x](<data:,a b>)", "a b"},
    {"[x](data:,a&amp;b)", "a&b"},
    {"[x](data:,a&amp b)", "fault: text after the data URL at line 1, column 17 (byte 17)"},
    // One data URL only, and nothing after its snippet.
    {"data:,a\nmetadata:b", "a\nmetadata:b"},
    {"data:;base64,YWJj\nYWJjdata:", "fault: invalid character ':' at line 2, column 9 (byte 27)"},
    {"data:,a\ndata:,b", "fault: a second data URL (--decode reads one; --extract FOLDER writes each to a file) at line 2, column 5 (byte 13)"},
    {"data:;base64,\r\nYQ==\r\ndata:;base64,\r\nYg==", "fault: a second data URL (--decode reads one; --extract FOLDER writes each to a file) at line 3, column 5 (byte 26)"},
    {"url(\"data:,a\")\nurl(\"data:,b\")", "fault: a second data URL (--decode reads one; --extract FOLDER writes each to a file) at line 2, column 6 (byte 21)"},
    {"url(\"data:,a\") x", "fault: text after the data URL at line 1, column 16 (byte 16)"},
    {"[xt]()", "fault: not a data URL (it does not start with \"data:\") at line 1, column 6 (byte 6)"},
    {"url(\"data:;base64\")", "fault: no ',' after the media type at line 1, column 18 (byte 18)"},
    {"url(\"data:,never closed", "fault: the snippet ends before its data URL is closed at line 1, column 24 (byte 24)"},
};

// Through every pair of Base64 and percent kernels this processor runs, the
// text whole and in pieces of every small size.
TEST(DataUrlDecoder, GivesWhatABrowserGivesAndSaysWhereItFails) {
    for (const base64::DecodeKernel* kernel : base64::kDecodeKernels) {
        for (const percent::DecodeKernel* percentKernel : percent::kDecodeKernels) {
            if (!kernel->available() || !percentKernel->available()) continue;
            for (const Case& c : kCases) {
                EXPECT_EQ(Decoded(c.text, 0, *kernel, *percentKernel), c.expected)
                    << c.text << " (" << kernel->name << ", " << percentKernel->name << ")";
                // Again in pieces of every small size: the same bytes or fault.
                for (std::size_t piece = 1; piece <= 7; ++piece) {
                    EXPECT_EQ(Decoded(c.text, piece, *kernel, *percentKernel), c.expected)
                        << c.text << " in pieces of " << piece << " (" << kernel->name << ", " << percentKernel->name << ")";
                }
            }
        }
    }
}

}  // namespace
}  // namespace lumarind
