#include "builder/DataUrlExtractor.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "builder/CarriedText.h"
#include "support/portable/AsciiText.h"

namespace lumarind {
namespace {

constexpr std::string_view kScheme = "data:";
// The most tags and links looked back at for the snippet a URL starts in.
constexpr int kMostLinkStarts = 16;

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != prefix[i]) return false;
    }
    return true;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && StartsWithIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// "data:" that is no part of a longer word ("metadata:"), and that a media
// type, ';' or ',' follows rather than prose ("Data: 5 files").
bool StartsAWord(char before) {
    return !((before >= 'a' && before <= 'z') || (before >= 'A' && before <= 'Z') || (before >= '0' && before <= '9') ||
             before == '-' || before == '+' || before == '.' || before == '_');
}
bool StartsAType(char after) {
    return (after >= 'a' && after <= 'z') || (after >= 'A' && after <= 'Z') || (after >= '0' && after <= '9') ||
           after == ';' || after == ',';
}

bool IsHtml(Wrapping kind) { return kind == Wrapping::kHtmlValue || kind == Wrapping::kHtmlUnquoted; }
bool IsMarkdown(Wrapping kind) { return kind == Wrapping::kMarkdown || kind == Wrapping::kMarkdownPointy; }

// A text with its escapes undone, as the wrapper reads them.
std::string Unescaped(std::string_view text, Wrapping kind) {
    Wrapper wrapper{kind};
    std::string plain;
    for (std::size_t at = 0; at < text.size();) {
        const UrlCharacter character = ReadUrlCharacter(wrapper, text.data() + at, text.data() + text.size(), true);
        if (character.kind != UrlCharacter::kBytes) {
            plain += text[at++];
            continue;
        }
        plain.append(reinterpret_cast<const char*>(character.bytes), static_cast<std::size_t>(character.count));
        at += character.used;
    }
    return plain;
}

// The attributes of an HTML tag's text, name (in lower case) and raw value.
std::vector<std::pair<std::string, std::string_view>> Attributes(std::string_view tag) {
    std::vector<std::pair<std::string, std::string_view>> attributes;
    std::size_t i = 1;
    while (i < tag.size() && !IsAsciiSpace(tag[i]) && tag[i] != '>') ++i;
    for (;;) {
        while (i < tag.size() && (IsAsciiSpace(tag[i]) || tag[i] == '/')) ++i;
        if (i >= tag.size() || tag[i] == '>') return attributes;
        std::string name;
        while (i < tag.size() && !IsAsciiSpace(tag[i]) && tag[i] != '=' && tag[i] != '>' && tag[i] != '/') {
            name += AsciiLower(tag[i++]);
        }
        while (i < tag.size() && IsAsciiSpace(tag[i])) ++i;
        if (name.empty()) return attributes;
        if (i >= tag.size() || tag[i] != '=') continue;
        ++i;
        while (i < tag.size() && IsAsciiSpace(tag[i])) ++i;
        std::size_t start = i, end;
        if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
            start = i + 1;
            end = tag.find(tag[i], start);
            if (end == std::string_view::npos) end = tag.size();
            i = end + 1;
        } else {
            while (i < tag.size() && !IsAsciiSpace(tag[i]) && tag[i] != '>') ++i;
            end = i;
        }
        attributes.emplace_back(name, tag.substr(start, end - start));
    }
}

std::string NameInTag(std::string_view tag) {
    const auto attributes = Attributes(tag);
    for (const char* wanted : {"download", "alt", "title"}) {
        for (const auto& [name, value] : attributes) {
            if (name == wanted && !value.empty()) return Unescaped(value, Wrapping::kHtmlValue);
        }
    }
    return {};
}

// The text of the Markdown link or image whose destination starts at the
// end of context, the link's '[' at open.
std::string MarkdownLinkText(std::string_view context, std::size_t open) {
    const std::size_t close = context.rfind("](");
    if (close == std::string_view::npos || close < open) return {};
    std::string text;
    for (std::size_t i = open + 1; i < close; ++i) {
        if (context[i] == '\\' && i + 1 < close && std::string_view("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~").find(context[i + 1]) != std::string_view::npos) {
            ++i;
        }
        text += context[i] == '\n' || context[i] == '\r' ? ' ' : context[i];
    }
    return text;
}

// The snippet a URL starting at the end of context stands in.
SnippetOpening OpeningBefore(std::string_view context, std::string& tagText, std::string& name) {
    tagText.clear();
    name.clear();
    std::string_view css = context;
    while (!css.empty() && IsAsciiSpace(css.back())) css.remove_suffix(1);
    const char quote = !css.empty() && (css.back() == '"' || css.back() == '\'') ? css.back() : 0;
    if (quote != 0) css.remove_suffix(1);
    while (!css.empty() && IsAsciiSpace(css.back())) css.remove_suffix(1);
    if (EndsWithIgnoringCase(css, "url(")) return {{quote ? Wrapping::kCssString : Wrapping::kCssUrl, quote}, 0, {}};

    const std::size_t tag = context.rfind('<');
    if (tag != std::string_view::npos && context.find('>', tag) == std::string_view::npos) {
        const SnippetOpening opening = OpeningAt(std::string(context.substr(tag)) + std::string(kScheme));
        if (IsHtml(opening.wrapper.kind) && opening.length == context.size() - tag) {
            tagText = context.substr(tag);
            return opening;
        }
    }
    std::size_t open = context.rfind('[');
    for (int tries = 0; open != std::string_view::npos && tries < kMostLinkStarts; ++tries) {
        const std::size_t start = open > 0 && context[open - 1] == '!' ? open - 1 : open;
        const SnippetOpening opening = OpeningAt(std::string(context.substr(start)) + std::string(kScheme));
        if (IsMarkdown(opening.wrapper.kind) && opening.length == context.size() - start) {
            name = MarkdownLinkText(context, open);
            return opening;
        }
        open = open == 0 ? std::string_view::npos : context.rfind('[', open - 1);
    }
    if (!context.empty() && context.back() == '"') return {{Wrapping::kJsonString}, 0, {}};
    return {{Wrapping::kBareText}, 0, {}};
}

}  // namespace

void DataUrlExtractor::Add(const char* text, std::size_t count) {
    ReadCarrying(carry_, text, count, kLookback,
                 [&](const char* piece, std::size_t size) { return Run(piece, size, false); });
}

void DataUrlExtractor::Finish() {
    const std::string rest = std::move(carry_);
    carry_.clear();
    Run(rest.data(), rest.size(), true);
}

void DataUrlExtractor::Remember(const char* text, std::size_t count) {
    recent_.append(text, count);
    if (recent_.size() > 2 * kLookback) recent_.erase(0, recent_.size() - kLookback);
}

std::size_t DataUrlExtractor::Run(const char* text, std::size_t count, bool last) {
    const char* at = text;
    const char* const end = text + count;
    for (;;) {
        if (state_ == State::kSearching) {
            const char* p = at;
            bool found = false;
            for (; p < end; ++p) {
                if ((*p | 0x20) != 'd') continue;
                if (end - p <= static_cast<std::ptrdiff_t>(kScheme.size())) {
                    if (!last) break;
                    continue;
                }
                if (StartsWithIgnoringCase(std::string_view(p, kScheme.size()), kScheme) &&
                    StartsAWord(p > text ? p[-1] : recent_.empty() ? ' ' : recent_.back()) &&
                    StartsAType(p[kScheme.size()])) {
                    found = true;
                    break;
                }
            }
            Remember(at, static_cast<std::size_t>(p - at));
            place_.Advance(at, static_cast<std::size_t>(p - at));
            at = p;
            if (!found) break;
            Start(place_);
        } else if (state_ == State::kInUrl) {
            if (!ReadUrl(at, end, last)) break;
        } else {
            // The rest of the tag, for a name given after the URL.
            const char* closing = std::find(at, end, '>');
            const std::size_t room = kLookback - std::min(tagText_.size(), kLookback);
            const std::size_t taken = std::min(static_cast<std::size_t>(closing - at), room);
            tagText_.append(at, taken);
            Remember(at, taken);
            place_.Advance(at, taken);
            at += taken;
            if (at == end && closing == end && taken < room && !last) break;
            EndUrl();
        }
        if (at == end && !(last && state_ != State::kSearching)) break;
    }
    return static_cast<std::size_t>(at - text);
}

void DataUrlExtractor::Start(const TextPlace& at) {
    found_ = FoundDataUrl{};
    found_.at = at;
    opening_ = OpeningBefore(recent_, tagText_, found_.name);
    reader_.emplace(opening_.wrapper, at);
    state_ = State::kInUrl;
    files_.Begin(at);
}

bool DataUrlExtractor::ReadUrl(const char*& at, const char* end, bool last) {
    char* const room = files_.Room();
    char* out = room;
    try {
        const std::size_t used = reader_->Read(at, static_cast<std::size_t>(end - at), last, out);
        Remember(at, used);
        at += used;
        place_ = reader_->Place();
        if (!reader_->Ended() && !(last && at == end)) {
            files_.Wrote(static_cast<std::size_t>(out - room));
            return false;
        }
        reader_->Finish(out);
    } catch (const Error& fault) {
        files_.Wrote(static_cast<std::size_t>(out - room));
        files_.Drop(found_, fault);
        reader_.reset();
        state_ = State::kSearching;
        // Searching goes on from the start of this piece, past the "data:"
        // of the URL that failed.
        if (place_.byte == found_.at.byte && at < end) {
            Remember(at, 1);
            place_.Advance(at, 1);
            ++at;
        }
        return true;
    }
    files_.Wrote(static_cast<std::size_t>(out - room));
    found_.mediaType = reader_->MediaType();
    if (IsHtml(opening_.wrapper.kind)) {
        state_ = State::kTagRest;
    } else {
        EndUrl();
    }
    return true;
}

void DataUrlExtractor::EndUrl() {
    if (IsHtml(opening_.wrapper.kind)) found_.name = NameInTag(tagText_);
    reader_.reset();
    tagText_.clear();
    state_ = State::kSearching;
    files_.End(found_);
}

}  // namespace lumarind
