#include "cli/WebTypes.h"

#include <algorithm>
#include <cwctype>
#include <iterator>

namespace lumarind::cli {
namespace {

struct WebType {
    std::wstring_view extension;
    std::wstring_view type;
};

// Sorted by extension, for a binary search.
constexpr WebType kWebTypes[] = {
    {L"apng", L"image/apng"},       {L"avif", L"image/avif"},
    {L"bmp", L"image/bmp"},         {L"css", L"text/css"},
    {L"csv", L"text/csv"},          {L"flac", L"audio/flac"},
    {L"gif", L"image/gif"},         {L"htm", L"text/html"},
    {L"html", L"text/html"},        {L"ico", L"image/x-icon"},
    {L"jpeg", L"image/jpeg"},       {L"jpg", L"image/jpeg"},
    {L"js", L"text/javascript"},    {L"json", L"application/json"},
    {L"m4a", L"audio/mp4"},         {L"md", L"text/markdown"},
    {L"mjs", L"text/javascript"},   {L"mp3", L"audio/mpeg"},
    {L"mp4", L"video/mp4"},         {L"oga", L"audio/ogg"},
    {L"ogg", L"audio/ogg"},         {L"ogv", L"video/ogg"},
    {L"opus", L"audio/ogg"},        {L"otf", L"font/otf"},
    {L"pdf", L"application/pdf"},   {L"png", L"image/png"},
    {L"svg", L"image/svg+xml"},     {L"ttf", L"font/ttf"},
    {L"txt", L"text/plain"},        {L"wasm", L"application/wasm"},
    {L"wav", L"audio/wav"},         {L"weba", L"audio/webm"},
    {L"webm", L"video/webm"},       {L"webp", L"image/webp"},
    {L"woff", L"font/woff"},        {L"woff2", L"font/woff2"},
    {L"xhtml", L"application/xhtml+xml"}, {L"xml", L"application/xml"},
};

std::wstring Lower(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return lower;
}

}  // namespace

std::wstring WebTypeForExtension(std::wstring_view extension) {
    const std::wstring key = Lower(extension);
    const auto found = std::lower_bound(std::begin(kWebTypes), std::end(kWebTypes), key,
                                        [](const WebType& entry, const std::wstring& k) { return entry.extension < k; });
    return found != std::end(kWebTypes) && found->extension == key ? std::wstring(found->type) : std::wstring();
}

std::wstring WebExtensionForType(std::wstring_view type) {
    // Where the table has several, the one most files have.
    constexpr std::wstring_view kLessUsual[] = {L"htm", L"jpeg", L"mjs", L"oga", L"opus"};
    for (const WebType& entry : kWebTypes) {
        if (entry.type != type) continue;
        if (std::find(std::begin(kLessUsual), std::end(kLessUsual), entry.extension) != std::end(kLessUsual)) continue;
        return std::wstring(entry.extension);
    }
    return {};
}

}  // namespace lumarind::cli
