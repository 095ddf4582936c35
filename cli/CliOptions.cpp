#include "cli/CliOptions.h"

namespace lumarind::cli {

const char kUsageText[] =
    "Usage: lumarind-cli [-1 | --one-line] [-t TYPE | --type TYPE] [-o FILE | --output FILE] [FILE | -]\n"
    "       lumarind-cli -d | --decode [-o FILE] [FILE | -]\n"
    "       lumarind-cli -h | --help        lumarind-cli --version\n"
    "\n"
    "Writes the data URL of FILE (standard input when FILE is - or missing):\n"
    "\"data:\" + content type + \";base64,\", CR LF, then Base64 lines of 76 characters\n"
    "separated by CR LF - the same text the Lumarind window saves.\n"
    "\n"
    "  -1, --one-line     the same text without any line break\n"
    "  -t, --type TYPE    use TYPE as the content type (\"\" for none) instead of the\n"
    "                     one registered for the file's extension\n"
    "  -o, --output FILE  write to FILE, replacing it only once the output is complete\n"
    "  -d, --decode       read a data URL and write the bytes it carries\n"
    "  -h, --help         show this help\n"
    "      --version      show the version\n"
    "\n"
    "Exit status: 0 on success, 1 when reading, writing or decoding fails, 2 for a\n"
    "wrong command line.\n";

namespace {

bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

CliOptions ParseCliOptions(const std::vector<std::wstring>& arguments) {
    CliOptions options;
    bool haveInput = false;
    bool optionsEnded = false;
    bool decode = false;
    bool haveOutput = false;

    const auto takeValue = [&](std::size_t& i, const std::wstring& name) -> std::wstring {
        if (i + 1 >= arguments.size()) throw UsageError{L"option " + name + L" needs a value"};
        return arguments[++i];
    };
    const auto setOnce = [](auto& field, bool& given, const std::wstring& name, const std::wstring& value) {
        if (given) throw UsageError{L"option " + name + L" may be given only once"};
        given = true;
        field = value;
    };
    bool haveType = false;
    const auto setInput = [&](const std::wstring& value) {
        if (haveInput) throw UsageError{L"only one input file may be given"};
        haveInput = true;
        options.input = value == L"-" ? std::wstring() : value;
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (optionsEnded || argument == L"-" || !StartsWith(argument, L"-")) {
            setInput(argument);
        } else if (argument == L"--") {
            optionsEnded = true;
        } else if (argument == L"-h" || argument == L"--help") {
            options.mode = CliOptions::Mode::kHelp;
            return options;
        } else if (argument == L"--version") {
            options.mode = CliOptions::Mode::kVersion;
            return options;
        } else if (argument == L"-1" || argument == L"--one-line") {
            options.oneLine = true;
        } else if (argument == L"-d" || argument == L"--decode") {
            decode = true;
        } else if (argument == L"-t" || argument == L"--type") {
            setOnce(options.contentType, haveType, L"--type", takeValue(i, argument));
        } else if (StartsWith(argument, L"--type=")) {
            setOnce(options.contentType, haveType, L"--type", argument.substr(7));
        } else if (argument == L"-o" || argument == L"--output") {
            setOnce(options.output, haveOutput, L"--output", takeValue(i, argument));
        } else if (StartsWith(argument, L"--output=")) {
            setOnce(options.output, haveOutput, L"--output", argument.substr(9));
        } else {
            throw UsageError{L"unknown option " + argument};
        }
    }
    if (haveOutput && options.output.empty()) throw UsageError{L"the output file name is empty"};
    if (haveOutput && options.output == L"-") options.output.clear();
    if (decode) {
        if (options.oneLine || options.contentType) throw UsageError{L"--decode takes neither --one-line nor --type"};
        options.mode = CliOptions::Mode::kDecode;
    }
    return options;
}

}  // namespace lumarind::cli
