#include <gtest/gtest.h>

#include <map>
#include <new>
#include <random>
#include <tuple>

#include "builder/DataUrl.h"
#include "builder/DataUrlDecoder.h"
#include "cli/BrowserLimits.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "cli/CliSteps.h"
#include "cli/QuotedName.h"
#include "support/portable/Utf8.h"
#include "tests/unit/FakeCliPlatform.h"

namespace lumarind::cli {
namespace {

using testing::FakeCliPlatform;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform.registry.contentTypes[L".png"] = L"image/png";
        platform.files[L"photo.png"] = "abc";
    }
    int Run(std::vector<std::wstring> arguments) { return RunCli(arguments, platform); }
    std::string WindowText(const std::string& content, const std::wstring& extension) {
        return ToUtf8(ComposeDataUrl(content, extension, [this] { return platform.registry.NewReader(); }));
    }

    FakeCliPlatform platform;
};

TEST(CliOptions, ParsesEveryFormAndRefusesWrongCommandLines) {
    const CliOptions plain = ParseCliOptions({L"a.png"});
    EXPECT_EQ(plain.mode, CliOptions::Mode::kEncode);
    EXPECT_EQ(plain.inputs, std::vector<std::wstring>{L"a.png"});
    EXPECT_EQ(plain.format, Format::kText);
    EXPECT_EQ(plain.encoding, Encoding::kBase64);
    EXPECT_FALSE(plain.contentType.has_value());
    EXPECT_FALSE(plain.charset.has_value());

    const CliOptions full = ParseCliOptions({L"-1", L"-t", L"", L"-o", L"out.txt", L"-"});
    EXPECT_EQ(full.format, Format::kLine);
    EXPECT_EQ(full.contentType, L"");
    EXPECT_EQ(full.output, L"out.txt");
    EXPECT_EQ(full.inputs, std::vector<std::wstring>{L""});

    const CliOptions longForms = ParseCliOptions({L"--one-line", L"--type=text/x", L"--output=o", L"--", L"-x"});
    EXPECT_EQ(longForms.contentType, L"text/x");
    EXPECT_EQ(longForms.output, L"o");
    EXPECT_EQ(longForms.inputs, std::vector<std::wstring>{L"-x"});

    const CliOptions web = ParseCliOptions({L"-f", L"css", L"--encoding=auto", L"--charset", L"x", L"a", L"b"});
    EXPECT_EQ(web.format, Format::kCss);
    EXPECT_EQ(web.encoding, Encoding::kAuto);
    EXPECT_EQ(web.charset, L"x");
    EXPECT_EQ(web.inputs, (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(ParseCliOptions({L"--format=markdown", L"-e", L"percent"}).format, Format::kMarkdown);
    EXPECT_EQ(ParseCliOptions({L"-e", L"percent", L"a", L"b"}).inputs.size(), 2u);
    EXPECT_EQ(ParseCliOptions({L"-1", L"-f", L"line"}).format, Format::kLine);
    EXPECT_EQ(ParseCliOptions({L"--format", L"html"}).inputs, std::vector<std::wstring>{L""});

    EXPECT_EQ(ParseCliOptions({L"-d", L"in"}).mode, CliOptions::Mode::kDecode);
    EXPECT_EQ(ParseCliOptions({L"--decode"}).inputs, std::vector<std::wstring>{L""});
    EXPECT_EQ(ParseCliOptions({L"x", L"--help"}).mode, CliOptions::Mode::kHelp);
    EXPECT_EQ(ParseCliOptions({L"--version"}).mode, CliOptions::Mode::kVersion);

    for (const auto& wrong : std::vector<std::vector<std::wstring>>{
             {L"-x"}, {L"a", L"b"}, {L"-t"}, {L"-o"}, {L"-o", L""}, {L"-d", L"-1"}, {L"-d", L"-t", L"x"},
             {L"-f", L"json"}, {L"-f"}, {L"-e", L"hex"}, {L"-1", L"-f", L"css"}, {L"-f", L"text", L"a", L"b"},
             {L"-e", L"auto", L"a", L"b"}, {L"-f", L"css", L"-", L"-"}, {L"-d", L"-f", L"css"},
             {L"-d", L"-e", L"percent"}, {L"-d", L"--charset=x"}, {L"-d", L"a", L"b"}, {L"-f", L"css", L"-f", L"css"},
             {L"-e", L"base64", L"--encoding=base64"}, {L"--charset=a", L"--charset", L"b"}, {L"-t", L"text"},
             {L"-t", L"image/png\" onerror=\"alert(1)"}, {L"-t", L"text/plain\r\nX: y"}, {L"--charset", L"a,b"},
             {L"--charset", L""}, {L"-t", L"text/plain;charset=x", L"--charset", L"y"}, {L"-t", L"AUTO"},
             {L"-c", L"-o", L"x"}, {L"--copy", L"-d"}, {L"-c", L"a", L"b"},
             {L"--max-size", L"2X"}, {L"--max-size"}, {L"-d", L"--max-size=1"}, {L"--max-size=1", L"--max-size=2"}}) {
        EXPECT_THROW(ParseCliOptions(wrong), UsageError) << ToUtf8(wrong[0]) << ToUtf8(wrong[1]);
    }
    EXPECT_EQ(ParseCliOptions({L"-t", L" text/plain ; charset=utf-8 "}).contentType, L"text/plain;charset=utf-8");
    EXPECT_EQ(ParseCliOptions({L"-t", L"auto"}).contentType, L"auto");
    EXPECT_EQ(ParseCliOptions({L"-t", L" "}).contentType, L"");
}

TEST(CliOptions, ReadsSizesInBytesKibMibAndGib) {
    const std::vector<std::pair<std::wstring, std::size_t>> sizes = {
        {L"0", 0},         {L"4096", 4096},           {L"4k", 4096},         {L"4K", 4096},
        {L"2M", 2097152},  {L"2m", 2097152},          {L"1G", 1073741824},   {L"007", 7},
        {L"999999999999999", 999999999999999},
    };
    for (const auto& [text, size] : sizes) EXPECT_EQ(ParseSize(text), size) << ToUtf8(text);
    for (const wchar_t* wrong : {L"", L"k", L"-1", L"1.5M", L"2 M", L"2MB", L"2KiB", L"1T", L"+4",
                                 L"1000000000000000", L"99999999999999G", L"\u0663"}) {
        EXPECT_FALSE(ParseSize(wrong).has_value()) << ToUtf8(wrong);
    }
    EXPECT_EQ(ParseCliOptions({L"--max-size", L"4k", L"a"}).maxSize, 4096u);
    EXPECT_FALSE(ParseCliOptions({L"a"}).maxSize.has_value());
}

TEST_F(CliTest, AResultOverMaxSizeIsWrittenForNoneButTheOthersAreAndTheRunFails) {
    platform.files[L"second.png"] = "de";
    // "url("data:image/png;base64,YWJj")": 33 bytes; "de" gives 33 too.
    platform.files[L"big.png"] = std::string(100, 'x');
    ASSERT_EQ(Run({L"-f", L"css", L"--max-size", L"33", L"photo.png"}), kExitSuccess);
    EXPECT_EQ(platform.standardOutput, "url(\"data:image/png;base64,YWJj\")");
    EXPECT_EQ(platform.standardError, "");
    platform.standardOutput.clear();

    EXPECT_EQ(Run({L"-f", L"css", L"--max-size=33", L"-o", L"out.css", L"photo.png", L"big.png", L"second.png"}),
              kExitFailure);
    EXPECT_EQ(platform.files[L"out.css"], "url(\"data:image/png;base64,YWJj\")\nurl(\"data:image/png;base64,ZGU=\")\n");
    EXPECT_EQ(platform.standardError, "lumarind-cli: nothing written for 'big.png': its result would be 165 bytes, "
                                      "more than --max-size allows (33)\n");

    // Percent-encoding, the window's broken lines and standard input are
    // measured as written; a file alone and too large leaves -o untouched.
    platform.files[L"text.txt"] = "a b";
    platform.files[L"untouched"] = "old";
    for (const auto& [arguments, fits] : std::vector<std::pair<std::vector<std::wstring>, bool>>{
             {{L"-1", L"-e", L"percent", L"-t", L"text/plain", L"--max-size", L"21", L"text.txt"}, true},
             {{L"-1", L"-e", L"percent", L"-t", L"text/plain", L"--max-size", L"20", L"text.txt"}, false},
             {{L"-1", L"-e", L"auto", L"-t", L"text/plain", L"--max-size", L"20", L"text.txt"}, false},
             {{L"--max-size", L"100", L"-o", L"untouched", L"big.png"}, false},
             {{L"--max-size", L"162", L"big.png"}, true},
             {{L"--max-size", L"152", L"-"}, false}}) {
        platform.standardInput = std::string(100, 'x');
        platform.standardOutput.clear();
        platform.standardError.clear();
        EXPECT_EQ(Run(arguments), fits ? kExitSuccess : kExitFailure) << platform.standardError;
        EXPECT_EQ(platform.standardOutput.empty(), !fits) << platform.standardOutput;
        EXPECT_EQ(platform.standardError.empty(), fits) << platform.standardError;
    }
    EXPECT_EQ(platform.files[L"untouched"], "old");
    EXPECT_EQ(platform.standardError.find("lumarind-cli: nothing written for standard input: its result would be 153 "),
              0u);
}

TEST_F(CliTest, WarnsOfEachBrowserLimitTheResultPassesAndStillWritesIt) {
    const std::size_t mib = 1 << 20;
    // Content sizes whose Base64 URL, "data:T;base64," and 4 characters per
    // 3 bytes, falls just either side of each limit.
    const auto base64Bytes = [](std::size_t urlLength, std::size_t header) { return (urlLength - header) / 4 * 3; };
    struct Case {
        std::vector<std::wstring> options;
        std::wstring type;
        std::size_t bytes;
        std::vector<const char*> browsers;
    };
    const std::size_t pdfHeader = std::string("data:application/pdf;base64,").size();
    const std::size_t pngHeader = std::string("data:image/png;base64,").size();
    const std::vector<Case> cases = {
        {{L"-f", L"html"}, L"application/pdf", base64Bytes(2 * mib, pdfHeader), {}},
        {{L"-f", L"html"}, L"application/pdf", base64Bytes(2 * mib, pdfHeader) + 3, {"Chromium"}},
        {{L"-f", L"line"}, L"application/pdf", base64Bytes(2 * mib, pdfHeader) + 3, {"Chromium"}},
        {{}, L"application/pdf", base64Bytes(2 * mib, pdfHeader) + 3, {"Chromium"}},
        {{L"-f", L"html"}, L"image/png", base64Bytes(2 * mib, pngHeader) + 3, {}},
        {{L"-f", L"css"}, L"application/pdf", base64Bytes(2 * mib, pdfHeader) + 3, {}},
        {{L"-f", L"markdown"}, L"image/png", base64Bytes(32 * mib, pngHeader), {}},
        {{L"-f", L"markdown"}, L"image/png", base64Bytes(32 * mib, pngHeader) + 3, {"Firefox before version 136"}},
        {{L"-f", L"html"}, L"application/pdf", base64Bytes(32 * mib, pdfHeader) + 3,
         {"Chromium", "Firefox before version 136"}},
    };
    for (const Case& c : cases) {
        platform.files[L"big"] = std::string(c.bytes, 'x');
        std::vector<std::wstring> arguments = c.options;
        for (const wchar_t* more : {L"-t", c.type.c_str(), L"-o", L"out", L"big"}) arguments.push_back(more);
        platform.standardError.clear();
        ASSERT_EQ(Run(arguments), kExitSuccess);
        EXPECT_EQ(platform.files[L"out"].size() > c.bytes, true);
        std::size_t lines = 0;
        for (const char ch : platform.standardError) lines += ch == '\n';
        EXPECT_EQ(lines, c.browsers.size()) << platform.standardError;
        for (const char* browsers : c.browsers) {
            EXPECT_NE(platform.standardError.find("lumarind-cli: warning: the data URL of 'big' is "), std::string::npos);
            EXPECT_NE(platform.standardError.find(browsers), std::string::npos) << platform.standardError;
            EXPECT_NE(platform.standardError.find("link to the file itself"), std::string::npos);
        }
    }
    // Past every browser's limit, without making 512 MiB here.
    const std::vector<std::string> all = BrowserLimitWarnings(Format::kCss, L"image/png", 512 * mib + 1, "'x'");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_NE(all[1].find("Chromium and Firefox refuse data URLs over 512 MiB"), std::string::npos);
    EXPECT_TRUE(BrowserLimitWarnings(Format::kCss, L"image/png", 512 * mib, "'x'").size() == 1u);
}

TEST_F(CliTest, AWrongTypeOrCharsetIsAUsageErrorThatNamesIt) {
    for (const auto& [commandLine, named] : std::vector<std::pair<std::vector<std::wstring>, std::string>>{
             {{L"--charset", L"a,b", L"photo.png"}, "'a,b'"},
             {{L"-t", L"text/plain;x=\"a,b\"", L"photo.png"}, "'text/plain;x=\"a,b\"'"},
             {{L"-f", L"html", L"-t", L"image/png\" onerror=\"alert(1)", L"photo.png"}, "'image/png\" onerror=\"alert(1)'"}}) {
        platform.standardError.clear();
        EXPECT_EQ(Run(commandLine), kExitUsage);
        EXPECT_NE(platform.standardError.find(named), std::string::npos) << platform.standardError;
    }
    EXPECT_TRUE(platform.standardOutput.empty());
}

TEST_F(CliTest, WritesExactlyTheWindowsTextInEitherForm) {
    std::mt19937 random(7);
    for (std::size_t length : {0u, 1u, 2u, 3u, 57u, 58u, 100000u, 2'000'001u}) {
        std::string content(length, '\0');
        for (char& c : content) c = static_cast<char>(random());
        platform.files[L"f.png"] = content;
        platform.standardOutput.clear();
        ASSERT_EQ(Run({L"f.png"}), kExitSuccess);
        ASSERT_EQ(platform.standardOutput, WindowText(content, L"png")) << length;
        platform.standardOutput.clear();
        ASSERT_EQ(Run({L"-1", L"f.png"}), kExitSuccess);
        ASSERT_EQ(platform.standardOutput, ToUtf8(OneLineForm(FromUtf8(WindowText(content, L"png"))))) << length;
    }
}

TEST_F(CliTest, ContentTypeComesFromTheExtensionOrTheOption) {
    platform.standardInput = "abc";
    Run({L"-"});
    Run({L"-t", L"text/plain", L"photo.png"});
    Run({L"-1", L"-t", L"", L"photo.png"});
    EXPECT_EQ(platform.standardOutput,
              "data:;base64,\r\nYWJj"
              "data:text/plain;base64,\r\nYWJj"
              "data:;base64,YWJj");
}

TEST_F(CliTest, OutputFileAndDecodingRoundTrip) {
    ASSERT_EQ(Run({L"-o", L"url.txt", L"photo.png"}), kExitSuccess);
    EXPECT_EQ(platform.files[L"url.txt"], "data:image/png;base64,\r\nYWJj");
    ASSERT_EQ(Run({L"-d", L"-o", L"back.png", L"url.txt"}), kExitSuccess);
    EXPECT_EQ(platform.files[L"back.png"], "abc");
    EXPECT_TRUE(platform.standardOutput.empty());
}

TEST_F(CliTest, FailuresNameTheFileAndTheReasonAndLeaveNoOutputFile) {
    EXPECT_EQ(Run({L"missing.bin"}), kExitFailure);
    EXPECT_EQ(platform.standardError, "lumarind-cli: cannot read 'missing.bin': No such file or directory\n");
    platform.standardError.clear();

    platform.failWrites = true;
    EXPECT_EQ(Run({L"-o", L"full.txt", L"photo.png"}), kExitFailure);
    EXPECT_EQ(platform.standardError, "lumarind-cli: cannot write 'full.txt': No space left on device\n");
    EXPECT_EQ(platform.files.count(L"full.txt"), 0u);
    platform.failWrites = false;
    // The disk fills after some mebibytes have gone out, and the encoding
    // stops there: the same message, and no file.
    platform.files[L"large.bin"] = std::string(std::size_t{6} << 20, 'x');
    platform.roomForOutput = std::size_t{2} << 20;
    platform.standardError.clear();
    EXPECT_EQ(Run({L"-o", L"full.txt", L"large.bin"}), kExitFailure);
    EXPECT_EQ(platform.standardError, "lumarind-cli: cannot write 'full.txt': No space left on device\n");
    EXPECT_EQ(platform.files.count(L"full.txt"), 0u);
    EXPECT_EQ(Run({L"-e", L"percent", L"large.bin"}), kExitFailure);
    EXPECT_EQ(platform.standardOutput, "");
    platform.roomForOutput = static_cast<std::size_t>(-1);

    // A fault after some bytes: none of them in the file, all of them on standard output.
    platform.files[L"bad.txt"] = "data:;base64,YWJj\r\nYW$j";
    platform.standardError.clear();
    EXPECT_EQ(Run({L"-d", L"-o", L"x", L"bad.txt"}), kExitFailure);
    EXPECT_EQ(platform.files.count(L"x"), 0u);
    EXPECT_EQ(platform.standardError,
              "lumarind-cli: cannot decode 'bad.txt': invalid character '$' at line 2, column 3 (byte 22)\n");
    platform.standardOutput.clear();
    EXPECT_EQ(Run({L"-d", L"bad.txt"}), kExitFailure);
    EXPECT_EQ(platform.standardOutput, "abc");
    // Shortened under its mapping: the bytes past its new end read as zeros,
    // and nothing they decode to is written, in either encoding.
    for (const char* body : {"data:;base64,", "data:,"}) {
        std::string cut = body;
        while (cut.size() < (std::size_t{900} << 10)) cut += "YWJj";
        platform.files[L"cut.txt"] = cut;
        platform.shortenedAt[L"cut.txt"] = std::size_t{700} << 10;
        for (const std::vector<std::wstring>& arguments :
             {std::vector<std::wstring>{L"-d", L"-o", L"x", L"cut.txt"}, std::vector<std::wstring>{L"-d", L"cut.txt"}}) {
            platform.standardOutput.clear();
            platform.standardError.clear();
            EXPECT_EQ(Run(arguments), kExitFailure);
            EXPECT_EQ(platform.standardError,
                      "lumarind-cli: cannot read 'cut.txt': the file changed while it was read; run the command again\n");
            EXPECT_EQ(platform.files.count(L"x"), 0u);
            EXPECT_EQ(platform.standardOutput.find('\0'), std::string::npos) << body;
        }
    }
    EXPECT_EQ(Run({L"--nonsense"}), kExitUsage);
    EXPECT_NE(platform.standardError.find("unknown option '--nonsense'"), std::string::npos);
}

TEST_F(CliTest, RefusesToWriteOverItsInputBeforeReadingIt) {
    platform.files[L"url.txt"] = "data:;base64,YWJj";
    platform.links[L"./photo.png"] = L"photo.png";
    platform.links[L"link-to-url.txt"] = L"url.txt";
    platform.standardInputFile = L"photo.png";
    const std::vector<std::vector<std::wstring>> commandLines = {
        {L"-o", L"photo.png", L"photo.png"},        {L"-1", L"-o", L"./photo.png", L"photo.png"},
        {L"-o", L"photo.png"},                      {L"-d", L"-o", L"url.txt", L"url.txt"},
        {L"-d", L"-o", L"link-to-url.txt", L"url.txt"},
    };
    for (const auto& commandLine : commandLines) {
        platform.standardError.clear();
        EXPECT_EQ(Run(commandLine), kExitFailure);
        EXPECT_NE(platform.standardError.find("it is the input file"), std::string::npos) << platform.standardError;
    }
    // Standard output appending to an input would read back what it adds.
    platform.standardOutputFile = L"url.txt";
    for (const auto& commandLine : std::vector<std::vector<std::wstring>>{{L"url.txt"}, {L"-d", L"link-to-url.txt"}}) {
        platform.standardError.clear();
        EXPECT_EQ(Run(commandLine), kExitFailure);
        EXPECT_EQ(platform.standardError, "lumarind-cli: cannot write standard output: input file is output file\n");
    }
    EXPECT_EQ(platform.standardOutput, "");
    EXPECT_EQ(platform.files[L"photo.png"], "abc");
    EXPECT_EQ(platform.files[L"url.txt"], "data:;base64,YWJj");
    EXPECT_EQ(platform.files.size(), 2u);
}

TEST_F(CliTest, AnOptionGivenTwiceIsAUsageError) {
    for (const auto& twice : std::vector<std::vector<std::wstring>>{{L"-o", L"a", L"-o", L"b", L"photo.png"},
                                                                    {L"--output=a", L"-o", L"a", L"photo.png"},
                                                                    {L"-t", L"x/y", L"--type=x/y", L"photo.png"},
                                                                    {L"-t", L"", L"-t", L"x", L"photo.png"}}) {
        platform.standardError.clear();
        EXPECT_EQ(Run(twice), kExitUsage) << ToUtf8(twice[2]);
        EXPECT_NE(platform.standardError.find("only once"), std::string::npos);
    }
    EXPECT_TRUE(platform.standardOutput.empty());
}

TEST_F(CliTest, DecodeTakesAByteOrderMarkAndWhiteSpaceAround) {
    for (const char* text : {"\xEF\xBB\xBF" "data:;base64,YWJj", "\xEF\xBB\xBF" "  data:,abc\r\n",
                             "\r\n\t data:text/plain;base64,\r\nYWJj \r\n\r\n"}) {
        platform.standardInput = text;
        platform.standardOutput.clear();
        EXPECT_EQ(Run({L"-d"}), kExitSuccess) << text;
        EXPECT_EQ(platform.standardOutput, "abc") << text;
    }
}

TEST_F(CliTest, RunningOutOfMemoryAnywhereIsAMessageAndExitStatusOne) {
    const std::vector<std::pair<std::wstring, std::vector<std::wstring>>> cases = {
        {L"text", {L"--help"}}, {L"text", {L"--version"}}, {L"registry", {L"photo.png"}}, {L"sink", {L"photo.png"}},
        {L"sink", {L"-d", L"-o", L"x", L"-"}},
    };
    platform.standardInput = "data:,x";
    for (const auto& [where, commandLine] : cases) {
        platform.outOfMemoryIn = where;
        platform.standardError.clear();
        EXPECT_EQ(Run(commandLine), kExitFailure) << ToUtf8(where);
        EXPECT_NE(platform.standardError.find("memory"), std::string::npos) << platform.standardError;
    }
}

TEST_F(CliTest, HelpAndVersion) {
    EXPECT_EQ(Run({L"--version"}), kExitSuccess);
    EXPECT_EQ(platform.standardOutput, "lumarind-cli 1.00.0001\n");
    platform.standardOutput.clear();
    EXPECT_EQ(Run({L"-h"}), kExitSuccess);
    for (const char* option : {"--one-line", "--type", "--output", "--decode", "--help", "--version", "--format", "css",
                               "html", "markdown", "--encoding", "percent", "auto", "--charset"}) {
        EXPECT_NE(platform.standardOutput.find(option), std::string::npos) << option;
    }
}

std::vector<std::wstring> With(std::vector<std::wstring> options, const std::wstring& file) {
    options.push_back(file);
    return options;
}

TEST_F(CliTest, EachFormatWrapsTheOneLineDataUrl) {
    platform.files[L"doc.pdf"] = "abc";
    platform.registry.contentTypes[L".pdf"] = L"application/pdf";
    platform.standardInput = "abc";
    const std::vector<std::pair<std::vector<std::wstring>, std::string>> cases = {
        {{L"-f", L"text", L"photo.png"}, "data:image/png;base64,\r\nYWJj"},
        {{L"-f", L"line", L"photo.png"}, "data:image/png;base64,YWJj"},
        {{L"-f", L"css", L"photo.png"}, "url(\"data:image/png;base64,YWJj\")"},
        {{L"-f", L"html", L"photo.png"}, "<img src=\"data:image/png;base64,YWJj\" alt=\"photo.png\">"},
        {{L"-f", L"html", L"doc.pdf"}, "<a href=\"data:application/pdf;base64,YWJj\" download=\"doc.pdf\">doc.pdf</a>"},
        {{L"-f", L"markdown", L"photo.png"}, "![photo\\.png](data:image/png;base64,YWJj)"},
        {{L"-f", L"markdown", L"doc.pdf"}, "[doc\\.pdf](data:application/pdf;base64,YWJj)"},
        {{L"-f", L"markdown", L"-"}, "[](data:;base64,YWJj)"},
        {{L"-f", L"html", L"-t", L"image/gif", L"-"}, "<img src=\"data:image/gif;base64,YWJj\" alt=\"\">"},
        {{L"-f", L"css", L"-e", L"percent", L"photo.png"}, "url(\"data:image/png,abc\")"},
    };
    for (const auto& [commandLine, expected] : cases) {
        platform.standardOutput.clear();
        ASSERT_EQ(Run(commandLine), kExitSuccess) << expected;
        EXPECT_EQ(platform.standardOutput, expected);
    }
}

TEST_F(CliTest, PercentFormAndTheCharsetRule) {
    const std::vector<std::tuple<std::string, std::vector<std::wstring>, std::string>> cases = {
        {"a b", {L"-e", L"percent"}, "data:text/plain,a%20b"},
        {"\xD0\x96", {L"-e", L"percent"}, "data:text/plain;charset=utf-8,%D0%96"},
        {"\xD0\x96", {L"-e", L"percent", L"--charset", L"windows-1251"}, "data:text/plain;charset=windows-1251,%D0%96"},
        {"abc", {L"-e", L"percent", L"--charset=us-ascii"}, "data:text/plain;charset=us-ascii,abc"},
        // Bytes that are not UTF-8 are not declared to be.
        {"\xFF\xFE", {L"-e", L"percent"}, "data:text/plain,%FF%FE"},
        {"abc", {L"--charset", L"utf-8"}, "data:text/plain;charset=utf-8;base64,\r\nYWJj"},
        {"abc", {L"-1", L"--charset", L"utf-8"}, "data:text/plain;charset=utf-8;base64,YWJj"},
        {"", {L"-e", L"percent"}, "data:text/plain,"},
        {std::string(200, 'x') + "\r\n", {L"-e", L"percent", L"-f", L"text"},
         "data:text/plain," + std::string(200, 'x') + "%0D%0A"},
        // Base64 too, once the type is the program's choice; the window's
        // text otherwise.
        {"\xD0\x96", {L"-1", L"-t", L"auto"}, "data:text/plain;charset=utf-8;base64,0JY="},
        {"\xD0\x96", {L"-1"}, "data:text/plain;base64,0JY="},
        {"\xD0\x96", {L"-e", L"percent", L"-t", L"image/png"}, "data:image/png,%D0%96"},
        {"\xD0\x96", {L"-e", L"percent", L"-t", L"text/plain;charset=koi8-r"}, "data:text/plain;charset=koi8-r,%D0%96"},
        {"a;b", {L"-e", L"percent"}, "data:text/plain,a%3Bb"},
        // Each place keeps what it may; URL parsers strip spaces at the end.
        {"a b  ", {L"-e", L"percent", L"-f", L"css"}, "url(\"data:text/plain,a b%20%20\")"},
        {"   ", {L"-e", L"percent", L"-f", L"css"}, "url(\"data:text/plain,%20%20%20\")"},
        {"<p class=\"x\">&amp; \\</p>\n", {L"-e", L"percent", L"-f", L"html"},
         "<a href=\"data:text/plain,<p class=%22x%22>%26amp%3B \\</p>%0A\" download=\"t.txt\">t.txt</a>"},
        {"f(x) = a & 'b' <c>", {L"-e", L"percent", L"-f", L"markdown"},
         "[t\\.txt](data:text/plain,f%28x%29%20=%20a%20%26%20'b'%20<c>)"},
        {"f(x) = a & 'b' <c>", {L"-e", L"percent", L"-f", L"line"},
         "data:text/plain,f(x)%20=%20a%20&%20'b'%20%3Cc%3E"},
    };
    platform.registry.contentTypes[L".txt"] = L"text/plain";
    for (const auto& [content, options, expected] : cases) {
        platform.files[L"t.txt"] = content;
        platform.standardOutput.clear();
        ASSERT_EQ(Run(With(options, L"t.txt")), kExitSuccess) << expected;
        EXPECT_EQ(platform.standardOutput, expected);
    }
}

TEST_F(CliTest, SpacesAtTheEndAreEncodedHoweverLongTheirRun) {
    // Longer than a piece read at once, and than a slice encoded at once.
    const std::string spaces(300000, ' ');
    for (const std::string& content : {"a" + spaces + "b", "a" + spaces, spaces}) {
        platform.files[L"in"] = content;
        platform.standardOutput.clear();
        ASSERT_EQ(Run({L"-f", L"css", L"-e", L"percent", L"-t", L"text/plain", L"in"}), kExitSuccess);
        std::string body = content;
        const std::size_t kept = body.find_last_not_of(' ') + 1;
        std::string expected = body.substr(0, kept);
        for (std::size_t k = kept; k < body.size(); ++k) expected += "%20";
        EXPECT_EQ(platform.standardOutput, "url(\"data:text/plain," + expected + "\")");
        // So does the length -e auto and --max-size weigh.
        platform.standardOutput.clear();
        ASSERT_EQ(Run({L"-f", L"css", L"-e", L"percent", L"-t", L"text/plain", L"--max-size",
                       std::to_wstring(expected.size() + 23), L"in"}),
                  kExitSuccess);
        EXPECT_EQ(Run({L"-f", L"css", L"-e", L"percent", L"-t", L"text/plain", L"--max-size",
                       std::to_wstring(expected.size() + 22), L"in"}),
                  kExitFailure);
    }
}

TEST_F(CliTest, AutoEncodingTakesTheShorterFormForAnyContentAndPlace) {
    const std::vector<std::tuple<std::wstring, std::string, std::string>> cases = {
        {L"text/plain", "plain words,and=more", "data:text/plain,plain%20words,and=more"},
        {L"image/svg+xml", "<svg/>", "data:image/svg+xml,%3Csvg/%3E"},
        {L"application/ld+json", "{}", "data:application/ld+json,%7B%7D"},
        {L"TEXT/CSS", "a{b:c}", "data:TEXT/CSS,a%7Bb:c%7D"},
        {L"text/html", "<<<<<<<<<<", "data:text/html;base64,PDw8PDw8PDw8PA=="},
        {L"application/json", "[\"a\", \"b\"]", "data:application/json;base64,WyJhIiwgImIiXQ=="},
        {L"text/plain", "\xD0\x96\xD0\x96", "data:text/plain;charset=utf-8,%D0%96%D0%96"},
        {L"text/plain", "\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96", "data:text/plain;charset=utf-8;base64,0JbQltCW0JbQltCW"},
        {L"text/plain", "abcdefghij\xFF", "data:text/plain,abcdefghij%FF"},
        {L"image/png", "abcdefghijklmnop", "data:image/png,abcdefghijklmnop"},
        {L"image/png", "\x89PNG\r\n\x1A\n", "data:image/png,%89PNG%0D%0A%1A%0A"},
        {L"image/png", "\x89PNG\r\n\x1A\n\x89", "data:image/png;base64,iVBORw0KGgqJ"},
        {L"text/plain", "a b c d e f g h", "data:text/plain;base64,YSBiIGMgZCBlIGYgZyBo"},
        // Sound and video holding a zero byte stay Base64 for WebKit's sake.
        {L"video/webm", std::string("ab\0cd", 5), "data:video/webm;base64,YWIAY2Q="},
        {L"audio/mpeg", "abcdefghijklmnop", "data:audio/mpeg,abcdefghijklmnop"},
        {L"image/png", std::string("ab\0cdefghijklmnop", 17), "data:image/png,ab%00cdefghijklmnop"},
        {L"text/plain", "", "data:text/plain,"},
    };
    for (const auto& [type, content, expected] : cases) {
        platform.files[L"in"] = content;
        platform.standardOutput.clear();
        ASSERT_EQ(Run({L"-1", L"-e", L"auto", L"-t", type, L"in"}), kExitSuccess) << expected;
        EXPECT_EQ(platform.standardOutput, expected);
    }
    // Where spaces may stay, the same text is shorter percent-encoded.
    platform.files[L"in"] = "a b c d e f g h";
    platform.standardOutput.clear();
    ASSERT_EQ(Run({L"-f", L"css", L"-e", L"auto", L"-t", L"text/plain", L"in"}), kExitSuccess);
    EXPECT_EQ(platform.standardOutput, "url(\"data:text/plain,a b c d e f g h\")");
    // Percent wins once the text is long enough to outweigh ";charset=utf-8".
    platform.files[L"in"] = std::string(300, 'a') + "\xD0\x96";
    platform.standardOutput.clear();
    ASSERT_EQ(Run({L"-e", L"auto", L"-t", L"text/plain", L"in"}), kExitSuccess);
    EXPECT_EQ(platform.standardOutput, "data:text/plain;charset=utf-8," + std::string(300, 'a') + "%D0%96");
}

TEST_F(CliTest, AutoTypeTriesTheWebTableThenTheSystemThenTheSignature) {
    const std::string png = "\x89PNG\r\n\x1A\n";
    platform.registry.contentTypes[L".svg"] = L"text/xml";
    platform.registry.contentTypes[L".bin"] = L"application/octet-stream";
    platform.registry.contentTypes[L".docx"] = L"application/vnd.openxmlformats-officedocument.wordprocessingml.document";
    platform.registry.contentTypes[L".svgz"] = L"image/svg+xml";
    platform.registry.contentTypes[L".aac"] = L"audio/aac";
    platform.files[L"report.docx"] = "PK\3\4\x14\0";
    platform.files[L"drawing.svgz"] = "\x1F\x8B\x08\0";
    platform.files[L"drawing.svg"] = "\x1F\x8B\x08\0";
    platform.files[L"data.json"] = "BZh91AY&SY";
    platform.files[L"notes.txt.bz2"] = "BZh91AY&SY";
    platform.files[L"tagged.aac"] = "ID3\4\0\0\0\0\0\0\xFF\xFB\x90\x64";
    platform.files[L"image.bin"] = png;
    platform.files[L"a.SVG"] = "xyz";
    platform.files[L"b.svg"] = "xyz";
    platform.files[L"picture"] = png;
    platform.files[L"notes.txt"] = png;
    platform.files[L"x.bin"] = "xyz";
    platform.files[L"x.unknown"] = "xyz";
    platform.standardInput = png;
    const std::vector<std::pair<std::wstring, std::string>> expected = {
        {L"a.SVG", "data:image/svg+xml;"}, {L"picture", "data:image/png;"},
        {L"notes.txt", "data:text/plain;"}, {L"x.bin", "data:application/octet-stream;"},
        {L"x.unknown", "data:;"},           {L"-", "data:image/png;"},
        {L"report.docx", "data:application/vnd.openxmlformats-officedocument.wordprocessingml.document;"},
        {L"drawing.svgz", "data:application/gzip;"}, {L"tagged.aac", "data:audio/aac;"},
        {L"image.bin", "data:image/png;"},
        {L"drawing.svg", "data:application/gzip;"}, {L"data.json", "data:application/x-bzip2;"},
        {L"notes.txt.bz2", "data:application/x-bzip2;"},
    };
    for (const auto& [file, start] : expected) {
        platform.standardOutput.clear();
        ASSERT_EQ(Run({L"-1", L"-t", L"auto", file}), kExitSuccess) << start;
        EXPECT_EQ(platform.standardOutput.substr(0, start.size()), start);
    }
    platform.standardOutput.clear();
    Run({L"-1", L"b.svg"});
    EXPECT_EQ(platform.standardOutput, "data:text/xml;base64,eHl6");
}

TEST_F(CliTest, TheSystemsTypesAreReadOnceAndNotForANameWithoutExtension) {
    platform.files[L"second.png"] = "de";
    platform.files[L"no-extension"] = "de";
    ASSERT_EQ(Run({L"-1", L"no-extension"}), kExitSuccess);
    ASSERT_EQ(Run({L"-1", L"-t", L"auto", L"no-extension"}), kExitSuccess);
    EXPECT_EQ(platform.registryReaders, 0);
    ASSERT_EQ(Run({L"-1", L"photo.png", L"no-extension", L"second.png"}), kExitSuccess);
    EXPECT_EQ(platform.registryReaders, 1);
    EXPECT_EQ(platform.registry.keysRead, (std::vector<std::wstring>{L".png", L".png"}));
}

TEST_F(CliTest, TheHeaderWaitsForALookAtTheWholeContentAndTheFileMustNotChangeMeanwhile) {
    // Pieces of about 900 KB, one UTF-8 sequence cut between the first two.
    const std::string text = std::string(57 * 16384 - 1, 'a') + "\xD0\x96" + std::string(1'000'000, 'b');
    platform.registry.contentTypes[L".txt"] = L"text/plain";
    platform.files[L"long.txt"] = text;
    platform.standardInput = text;
    for (const auto& [input, header] : std::vector<std::pair<std::wstring, std::string>>{
             {L"long.txt", "data:text/plain;charset=utf-8"}, {L"-", "data:;charset=utf-8"}}) {
        for (const wchar_t* encoding : {L"base64", L"percent", L"auto"}) {
            ASSERT_EQ(Run({L"-t", L"auto", L"-e", encoding, L"-o", L"url.txt", input}), kExitSuccess);
            EXPECT_EQ(platform.files[L"url.txt"].substr(0, header.size()), header) << ToUtf8(encoding);
            EXPECT_EQ(DecodeDataUrl(platform.files[L"url.txt"]), text) << ToUtf8(encoding);
        }
    }

    std::string changed = text;
    changed[5] = 'c';
    platform.changes[L"long.txt"] = changed;
    platform.files.erase(L"url.txt");
    // Over 2 MiB, the runs above warned of Chromium.
    platform.standardError.clear();
    EXPECT_EQ(Run({L"-e", L"percent", L"-o", L"url.txt", L"long.txt"}), kExitFailure);
    EXPECT_EQ(platform.standardError,
              "lumarind-cli: cannot read 'long.txt': the file changed while it was read; run the command again\n");
    EXPECT_EQ(platform.files.count(L"url.txt"), 0u);
}

TEST_F(CliTest, SeveralFilesEachFollowedByALineBreak) {
    platform.files[L"second.png"] = "de";
    ASSERT_EQ(Run({L"-f", L"line", L"photo.png", L"second.png"}), kExitSuccess);
    EXPECT_EQ(platform.standardOutput, "data:image/png;base64,YWJj\ndata:image/png;base64,ZGU=\n");
    platform.standardOutput.clear();
    platform.lineBreak = "\r\n";
    ASSERT_EQ(Run({L"-e", L"percent", L"-o", L"all.txt", L"photo.png", L"second.png"}), kExitSuccess);
    EXPECT_EQ(platform.files[L"all.txt"], "data:image/png,abc\r\ndata:image/png,de\r\n");

    EXPECT_EQ(Run({L"-f", L"css", L"-o", L"partial.txt", L"photo.png", L"missing.png", L"second.png"}), kExitFailure);
    EXPECT_EQ(platform.standardError, "lumarind-cli: cannot read 'missing.png': No such file or directory\n");
    EXPECT_EQ(platform.files.count(L"partial.txt"), 0u);
    EXPECT_EQ(Run({L"-f", L"css", L"-o", L"second.png", L"photo.png", L"second.png"}), kExitFailure);
    EXPECT_EQ(platform.files[L"second.png"], "de");
}

TEST_F(CliTest, CopyPutsExactlyTheOutputOnTheClipboardOrLeavesItAsItWas) {
    platform.files[L"second.png"] = "de";
    EXPECT_TRUE(ParseCliOptions({L"-c"}).toClipboard);
    ASSERT_EQ(Run({L"--copy", L"-f", L"line", L"photo.png", L"second.png"}), kExitSuccess);
    EXPECT_EQ(platform.clipboard, "data:image/png;base64,YWJj\ndata:image/png;base64,ZGU=\n");
    ASSERT_EQ(Run({L"-c", L"photo.png"}), kExitSuccess);
    EXPECT_EQ(platform.clipboard, WindowText("abc", L"png"));
    EXPECT_TRUE(platform.standardOutput.empty());

    EXPECT_EQ(Run({L"-c", L"-1", L"photo.png", L"missing.png"}), kExitFailure);
    EXPECT_EQ(platform.standardError, "lumarind-cli: cannot read 'missing.png': No such file or directory\n");
    EXPECT_EQ(platform.clipboard, WindowText("abc", L"png"));

    platform.standardError.clear();
    platform.clipboardPresent = false;
    EXPECT_EQ(Run({L"-c", L"photo.png"}), kExitFailure);
    EXPECT_EQ(platform.standardError, "lumarind-cli: cannot copy to the clipboard: none of wl-copy (Wayland), xclip "
                                      "and xsel (X11) is installed\n");
    EXPECT_TRUE(platform.standardOutput.empty());
}

// A type from -t, --charset or the system that would end the data URL or
// its snippet is written escaped, and --decode still finds the bytes.
TEST_F(CliTest, AnAwkwardTypeStillDecodesBackToTheBytes) {
    const std::vector<std::wstring> cases[] = {
        {L"-f", L"css", L"-t", L"a/b;x=\"p (r)\"", L"photo.png"},
        {L"-f", L"markdown", L"-t", L"image/png", L"--charset", L"x-y", L"photo.png"},
        {L"-e", L"percent", L"-t", L"text/x;name=\"a b\"", L"photo.png"},
        {L"-f", L"html", L"-e", L"percent", L"-t", L"text/plain;charset=utf-8", L"photo.png"},
    };
    for (const auto& c : cases) {
        platform.files.erase(L"url.txt");
        std::vector<std::wstring> arguments = c;
        arguments.insert(arguments.begin(), {L"-o", L"url.txt"});
        ASSERT_EQ(Run(arguments), kExitSuccess);
        ASSERT_EQ(Run({L"-d", L"-o", L"back", L"url.txt"}), kExitSuccess) << platform.files[L"url.txt"];
        EXPECT_EQ(platform.files[L"back"], "abc") << platform.files[L"url.txt"];
    }
}

TEST_F(CliTest, DecodeTurnsEveryResultBackIntoTheBytes) {
    std::mt19937 random(11);
    std::string binary(5000, '\0');
    for (char& c : binary) c = static_cast<char>(random());
    const std::vector<std::string> contents = {"", "a", binary, "Привет, мир! <b>\"quotes\" & (brackets)</b>\r\n",
                                               "ends in a back\\slash\\", "  spaces around  "};
    for (const std::string& content : contents) {
        platform.files[L"in [1] & <2>.svg"] = content;
        for (const wchar_t* format : {L"text", L"line", L"css", L"html", L"markdown"}) {
            for (const wchar_t* encoding : {L"base64", L"percent", L"auto"}) {
                platform.files.erase(L"url.txt");
                ASSERT_EQ(Run({L"-t", L"auto", L"-f", format, L"-e", encoding, L"-o", L"url.txt", L"in [1] & <2>.svg"}),
                          kExitSuccess);
                ASSERT_EQ(Run({L"-d", L"-o", L"back", L"url.txt"}), kExitSuccess) << platform.files[L"url.txt"];
                EXPECT_EQ(platform.files[L"back"], content) << ToUtf8(format) << " " << ToUtf8(encoding);
            }
        }
    }
}

TEST(DecodeDataUrl, ReadsBothFormsAndDataUrlsFromElsewhere) {
    EXPECT_EQ(DecodeDataUrl("data:image/png;base64,\r\nYWJj\r\nZA=="), "abcd");
    EXPECT_EQ(DecodeDataUrl("  data:;base64,YWJjZA==\n"), "abcd");
    EXPECT_EQ(DecodeDataUrl("DATA:text/plain;BASE64,YQ=="), "a");
    EXPECT_EQ(DecodeDataUrl("data:;base64,"), "");
    EXPECT_EQ(DecodeDataUrl("data:,Hello%2C%20World%21"), "Hello, World!");
    EXPECT_EQ(DecodeDataUrl("data:text/plain;charset=utf-8,%D0%96"), "\xD0\x96");
}

TEST(DecodeDataUrl, RefusesWhatIsMalformed) {
    for (const char* bad : {"", "data", "http://x,abc", "data:;base64", "data:;base64,YWJjY", "data:;base64,YW=j",
                            "data:;base64,YQ==YQ==", "data:;base64,Y===", "data:;base64,YW*j", "data:;base64,%"}) {
        EXPECT_THROW(DecodeDataUrl(bad), Error) << bad;
    }
}

TEST(Utf8, TheCheckerGivenPiecesAgreesWithTheWholeText) {
    const std::vector<std::string> texts = {"", "plain", "\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80 mixed", "\xD0", "\xE2\x82",
                                            "\xF0\x9F\x98", "a\xC0\xAF", "\xED\xA0\x80", "\x80", "\xF8\x88\x80\x80\x80",
                                            "\xE2\x82\xACx\xD0"};
    for (const std::string& text : texts) {
        // Every way of cutting the text in two and three pieces.
        for (std::size_t first = 0; first <= text.size(); ++first) {
            for (std::size_t second = first; second <= text.size(); ++second) {
                Utf8Checker checker;
                checker.Feed(text.substr(0, first));
                checker.Feed(text.substr(first, second - first));
                checker.Feed(text.substr(second));
                EXPECT_EQ(checker.Valid(), IsValidUtf8(text)) << text << " " << first << " " << second;
            }
        }
    }
    EXPECT_TRUE(HasByteFrom0x80("abcdefgh\x80"));
    EXPECT_FALSE(HasByteFrom0x80("abcdefgh\x7F"));
}

TEST(QuotedName, QuotesAsAShellTakesItBackAndShowsNoControlCharacter) {
    const std::map<std::wstring, std::string> rows = {
        {L"plain.txt", "'plain.txt'"},
        {L"", "''"},
        {L"x\x1B[31mRED", "'x'$'\\033''[31mRED'"},
        {L"\x1B]0;title\a", "$'\\033'']0;title'$'\\a'"},
        {L"line\r\nbreak\t", "'line'$'\\r\\n''break'$'\\t'"},
        {L"it's", "'it'\\''s'"},
        {L"del\x7F c1\x9B", "'del'$'\\177'' c1'$'\\302\\233'"},
        {L"Фото.png", "'\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE.png'"},
        // Bytes of a Linux name that are not UTF-8.
        {L"bad\xDCFF\xDCFE.txt", "'bad'$'\\377\\376''.txt'"},
    };
    for (const auto& [name, quoted] : rows) EXPECT_EQ(QuotedName(name), quoted) << quoted;
}

TEST(Utf8, RoundTripsAllPlanes) {
    const std::wstring text = L"data:Жx\U0001F600";
    EXPECT_EQ(ToUtf8(text), "data:\xD0\x96x\xF0\x9F\x98\x80");
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(FromUtf8("\xFF"), L"\uFFFD");
}

}  // namespace
}  // namespace lumarind::cli

namespace lumarind::cli {
namespace {

// --extract on a page with data URLs in every snippet, hostile names among
// them: each file lands in the folder with a safe name, none overwritten,
// a malformed URL reported with its place while the others are written.
TEST_F(CliTest, ExtractWritesEveryDataUrlOnceUnderASafeName) {
    const std::string longName(300, 'n');
    platform.files[L"out/taken.png"] = "old";
    platform.files[L"page.html"] =
        "<p><img alt=\"../../x.png\" src=\"data:image/png;base64,YWJj\"></p>\n"
        "<a href=\"data:application/pdf;base64,JVBERg==\" download=\"CON\">CON</a>\n"
        "<style>body { background: url(\"data:image/gif;base64,R0lG\") } @font-face { src: url(data:font/woff2;base64,d09GMg==) }</style>\n"
        "[a/b](data:text/plain,one) [taken.png](data:image/png,two) [taken.png](data:image/png,three)\n"
        "![" + longName + ".svg](data:image/svg+xml,%3Csvg%2F%3E) [\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE](data:,x&amp;y)\n"
        "<img src=\"data:;base64,YW$j\" alt=\"bad\"> {\"icon\": \"data:image/png;base64,eHl6\"} metadata: none\n"
        "data:text/plain;base64,\r\n" + std::string(76, 'Q') + "\r\nQQ==\r\nend\n";
    ASSERT_EQ(Run({L"-x", L"out", L"page.html"}), kExitFailure);
    const std::pair<std::wstring, std::string> expected[] = {
        {L"out/.._.._x.png", "abc"},
        {L"out/_CON.pdf", "%PDF"},
        {L"out/data-3.gif", "GIF"},
        {L"out/data-4.woff2", "wOF2"},
        {L"out/a_b.txt", "one"},
        {L"out/taken (2).png", "two"},
        {L"out/taken (3).png", "three"},
        {L"out/" + std::wstring(196, L'n') + L".svg", "<svg/>"},
        {L"out/\u0424\u043E\u0442\u043E.txt", "x&y"},
        {L"out/data-11.png", "xyz"},
        {L"out/data-12.txt", ""},
    };
    for (const auto& [path, bytes] : expected) {
        ASSERT_EQ(platform.files.count(path), 1u) << ToUtf8(path);
        if (path != L"out/data-12.txt") {
            EXPECT_EQ(platform.files[path], bytes) << ToUtf8(path);
        }
    }
    EXPECT_EQ(platform.files[L"out/taken.png"], "old");
    EXPECT_EQ(platform.files[L"out/data-12.txt"].size(), 57u + 1u);
    EXPECT_EQ(platform.standardError,
              "lumarind-cli: cannot decode 'page.html': invalid character '$' at line 6, column 26 (byte 747)\n");
    EXPECT_NE(platform.standardOutput.find(".._.._x.png\timage/png\t3\n"), std::string::npos) << platform.standardOutput;
    EXPECT_NE(platform.standardOutput.find("taken (2).png\timage/png\t3\n"), std::string::npos);
}

}  // namespace
}  // namespace lumarind::cli
