#include "cli/CliOptions.h"

#include <algorithm>
#include <cstdint>

#include "cli/MediaType.h"
#include "support/portable/AsciiText.h"

namespace lumarind::cli {

const char kUsageText[] =
    "Usage: lumarind-cli [OPTION]... [FILE | -]\n"
    "       lumarind-cli [OPTION]... FILE... (with a one-line format or --encoding percent)\n"
    "       lumarind-cli -d | --decode [-o FILE] [FILE | -]\n"
    "       lumarind-cli -h | --help        lumarind-cli --version\n"
    "\n"
    "Writes the data URL of FILE (standard input when FILE is - or missing). By\n"
    "default: \"data:\" + content type + \";base64,\", CR LF, then Base64 lines of 76\n"
    "characters separated by CR LF - the same text the Lumarind window saves.\n"
    "\n"
    "  -f, --format FORMAT    text (the default), line (the data URL on one line),\n"
    "                         css: url(\"DATAURL\"),\n"
    "                         html: <img src=\"DATAURL\" alt=\"NAME\"> for images,\n"
    "                               <a href=\"DATAURL\" download=\"NAME\">NAME</a> otherwise,\n"
    "                         markdown: ![NAME](DATAURL) for images, [NAME](DATAURL)\n"
    "                         otherwise; NAME is the file's name\n"
    "  -1, --one-line         the same as --format line\n"
    "  -e, --encoding ENC     base64 (the default); percent: the bytes themselves\n"
    "                         where the format's place allows them, %XX otherwise,\n"
    "                         always one line; auto: whichever of the two is\n"
    "                         shorter for each file\n"
    "      --charset CHARSET  add \";charset=CHARSET\" after the type (with -t auto,\n"
    "                         -e percent or -e auto, UTF-8 text gets \";charset=utf-8\"\n"
    "                         without it)\n"
    "  -t, --type TYPE        use TYPE (type/subtype, then any ;name=value) as the\n"
    "                         content type (\"\" for none) instead of the one registered\n"
    "                         for the file's extension; auto: the type browsers\n"
    "                         expect, from the extension, else the registered one,\n"
    "                         else from the content's signature\n"
    "      --max-size SIZE    a result longer than SIZE bytes (4096, 4k, 2M, 1G) is a\n"
    "                         failure: nothing is written for that file, the\n"
    "                         others still are, and the exit status is 1\n"
    "  -o, --output FILE      write to FILE, replacing it only once the output is\n"
    "                         complete; never the input file itself\n"
    "  -c, --copy             put the result on the clipboard instead of standard\n"
    "                         output (on Linux through wl-copy, xclip or xsel)\n"
    "  -d, --decode           read a data URL (or a snippet of the forms above) and\n"
    "                         write the bytes it carries\n"
    "  -h, --help             show this help\n"
    "      --version          show the version\n"
    "\n"
    "Several FILEs are allowed when each result is one line: every result is then\n"
    "followed by a line break.\n"
    "\n"
    "Exit status: 0 on success, 1 when reading, writing or decoding fails, 2 for a\n"
    "wrong command line.\n";

namespace {

Format ParseFormat(const std::wstring& name) {
    if (name == L"text") return Format::kText;
    if (name == L"line") return Format::kLine;
    if (name == L"css") return Format::kCss;
    if (name == L"html") return Format::kHtml;
    if (name == L"markdown") return Format::kMarkdown;
    throw UsageError{L"unknown format '" + name + L"' (text, line, css, html or markdown)"};
}

Encoding ParseEncoding(const std::wstring& name) {
    if (name == L"base64") return Encoding::kBase64;
    if (name == L"percent") return Encoding::kPercent;
    if (name == L"auto") return Encoding::kAuto;
    throw UsageError{L"unknown encoding '" + name + L"' (base64, percent or auto)"};
}

constexpr wchar_t kTokenCharacters[] = L"ASCII letters, digits and !#$%&'*+-.^_`{|}~";

// One option that takes a value: its short and long names.
struct ValueOption {
    const wchar_t* shortName;
    const wchar_t* longName;
};

constexpr ValueOption kType{L"-t", L"--type"};
constexpr ValueOption kOutput{L"-o", L"--output"};
constexpr ValueOption kFormat{L"-f", L"--format"};
constexpr ValueOption kEncoding{L"-e", L"--encoding"};
constexpr ValueOption kCharset{nullptr, L"--charset"};
constexpr ValueOption kMaxSize{nullptr, L"--max-size"};

}  // namespace

std::optional<std::size_t> ParseSize(std::wstring_view text) {
    std::size_t shift = 0;
    if (!text.empty()) {
        switch (AsciiLower(text.back())) {
        case L'k': shift = 10; break;
        case L'm': shift = 20; break;
        case L'g': shift = 30; break;
        default: break;
        }
        if (shift != 0) text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 15) return std::nullopt;
    std::size_t number = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        number = number * 10 + static_cast<std::size_t>(c - L'0');
    }
    // Fifteen digits fit; the shift may not.
    if (number > (SIZE_MAX >> shift)) return std::nullopt;
    return number << shift;
}

CliOptions ParseCliOptions(const std::vector<std::wstring>& arguments) {
    CliOptions options;
    std::vector<std::wstring> inputs;
    bool optionsEnded = false;
    bool decode = false;
    bool oneLine = false;
    std::optional<std::wstring> output, format, encoding, maxSize;

    // The value of option at arguments[i] when it is that option, moving i
    // past what it used; the option given twice is a usage error.
    std::size_t i = 0;
    const auto valueOf = [&](const ValueOption& option, std::optional<std::wstring>& field) {
        const std::wstring& argument = arguments[i];
        const std::wstring longPrefix = std::wstring(option.longName) + L"=";
        std::wstring value;
        if ((option.shortName != nullptr && argument == option.shortName) || argument == option.longName) {
            if (i + 1 >= arguments.size()) throw UsageError{L"option " + argument + L" needs a value"};
            value = arguments[++i];
        } else if (StartsWith(argument, longPrefix)) {
            value = argument.substr(longPrefix.size());
        } else {
            return false;
        }
        if (field) throw UsageError{L"option " + std::wstring(option.longName) + L" may be given only once"};
        field = value;
        return true;
    };

    for (; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (optionsEnded || argument == L"-" || !StartsWith(argument, L"-")) {
            inputs.push_back(argument == L"-" ? std::wstring() : argument);
        } else if (argument == L"--") {
            optionsEnded = true;
        } else if (argument == L"-h" || argument == L"--help") {
            options.mode = CliOptions::Mode::kHelp;
            return options;
        } else if (argument == L"--version") {
            options.mode = CliOptions::Mode::kVersion;
            return options;
        } else if (argument == L"-1" || argument == L"--one-line") {
            oneLine = true;
        } else if (argument == L"-d" || argument == L"--decode") {
            decode = true;
        } else if (argument == L"-c" || argument == L"--copy") {
            options.toClipboard = true;
        } else if (!valueOf(kType, options.contentType) && !valueOf(kOutput, output) && !valueOf(kFormat, format) &&
                   !valueOf(kEncoding, encoding) && !valueOf(kCharset, options.charset) && !valueOf(kMaxSize, maxSize)) {
            throw UsageError{L"unknown option " + argument};
        }
    }

    if (options.contentType && *options.contentType != kAutoType) {
        std::optional<std::wstring> type = NormalisedMediaType(*options.contentType);
        if (!type) {
            throw UsageError{L"'" + *options.contentType +
                             L"' is not a content type: type/subtype and ;name=value parameters, each a word of " +
                             kTokenCharacters + L" (a value may also be a \"quoted string\" without , or ;)"};
        }
        options.contentType = std::move(type);
    }
    if (options.charset && !IsToken(*options.charset)) {
        throw UsageError{L"'" + *options.charset + L"' is not a charset name: a word of " + kTokenCharacters +
                         L" only"};
    }
    if (options.charset && options.contentType && HasCharsetParameter(*options.contentType)) {
        throw UsageError{L"the type '" + *options.contentType +
                         L"' names its charset already; --charset would be a second"};
    }
    if (maxSize) {
        options.maxSize = ParseSize(*maxSize);
        if (!options.maxSize) {
            throw UsageError{L"'" + *maxSize + L"' is not a size: a whole number of bytes, or of KiB, MiB or GiB with k, M or G after it"};
        }
    }
    if (output && output->empty()) throw UsageError{L"the output file name is empty"};
    if (output && *output != L"-") options.output = *output;
    if (options.toClipboard && output) throw UsageError{L"--copy and --output name two places for one result"};
    if (format) options.format = ParseFormat(*format);
    if (encoding) options.encoding = ParseEncoding(*encoding);
    if (oneLine) {
        if (format && options.format != Format::kLine) throw UsageError{L"--one-line goes only with --format line"};
        options.format = Format::kLine;
    }
    if (!inputs.empty()) options.inputs = inputs;
    if (std::count(options.inputs.begin(), options.inputs.end(), std::wstring()) > 1) {
        throw UsageError{L"standard input may be read only once"};
    }
    if (decode) {
        if (oneLine || options.contentType || format || encoding || options.charset || maxSize) {
            throw UsageError{L"--decode takes none of --one-line, --format, --encoding, --charset, --type and --max-size"};
        }
        if (options.inputs.size() > 1) throw UsageError{L"--decode reads one input"};
        if (options.toClipboard) throw UsageError{L"--decode writes bytes, which --copy cannot put on the clipboard as text"};
        options.mode = CliOptions::Mode::kDecode;
    } else if (options.inputs.size() > 1 && options.format == Format::kText && options.encoding != Encoding::kPercent) {
        throw UsageError{L"several files need a one-line result: a --format other than text, or --encoding percent"};
    }
    return options;
}

}  // namespace lumarind::cli
