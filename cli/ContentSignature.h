// The content type a file's first bytes show: the magic numbers of the
// image, font, audio, video and archive formats the web uses, and an SVG
// document's root element after its XML prolog.
#pragma once

#include <string>
#include <string_view>

namespace lumarind::cli {

// How many of a file's first bytes the signatures look at at most; an SVG's
// root element must start within them.
inline constexpr std::size_t kSignatureBytes = 64 * 1024;

// The type the start of a content shows; empty when it shows none.
std::wstring TypeFromSignature(std::string_view head);

// True for the archive and compression types TypeFromSignature reports:
// such bytes are never text, whatever their name says.
bool IsCompressedType(std::wstring_view type);

}  // namespace lumarind::cli
