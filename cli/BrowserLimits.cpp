#include "cli/BrowserLimits.h"

#include "cli/MediaType.h"

namespace lumarind::cli {
namespace {

struct Limit {
    std::size_t length;
    // Null: any format.
    bool (*appliesTo)(Format format, std::wstring_view contentType);
    const char* browsers;
    const char* advice;
};

// A bare URL is opened as a page, from the address bar or a link; a
// download link hands the URL from the page to the browser.
bool IsBareUrl(Format format, std::wstring_view) { return format == Format::kText || format == Format::kLine; }

bool IsDownloadLink(Format format, std::wstring_view contentType) {
    return format == Format::kHtml && !IsImageType(contentType);
}

constexpr Limit kLimits[] = {
    {kChromiumNavigationLimit, IsBareUrl,
     "Chromium (Chrome, Edge, Opera) opens no URL over 2 MiB (2097152 characters) as a page",
     "link to the file itself, or use it where a page fetches it (-f css, an image in -f html)"},
    {kChromiumNavigationLimit, IsDownloadLink,
     "older Chromium versions (Chrome, Edge, Opera) answer a download link over 2 MiB (2097152 characters) "
     "with \"Network error\"",
     "link to the file itself if such versions matter"},
    {kOlderFirefoxLimit, nullptr, "Firefox before version 136 refuses data URLs over 32 MiB",
     "link to the file itself, or make the file smaller if older Firefox versions matter"},
    {kEveryBrowserLimit, nullptr, "Chromium and Firefox refuse data URLs over 512 MiB", "link to the file itself"},
};

}  // namespace

std::vector<std::string> BrowserLimitWarnings(Format format, std::wstring_view contentType, std::size_t urlLength,
                                              std::string_view name) {
    std::vector<std::string> warnings;
    for (const Limit& limit : kLimits) {
        if (urlLength <= limit.length || (limit.appliesTo != nullptr && !limit.appliesTo(format, contentType))) continue;
        warnings.push_back("lumarind-cli: warning: the data URL of " + std::string(name) + " is " +
                           std::to_string(urlLength) + " characters long; " + limit.browsers + ": " + limit.advice +
                           ".\n");
    }
    return warnings;
}

}  // namespace lumarind::cli
