// The flat support functions. The portable ones (line breaks, path parts)
// live in support/portable, Base64 in codecs; those that need Windows in
// support/win32.
// Every function either does its job or throws lumarind::Error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumarind {

// Selects this program's line form: 76-character lines separated by CR LF,
// no break after the last line. It is the only form the encoder offers.
inline constexpr int kBase64LineForm = 15;

// RFC 4648 Base64 (standard alphabet, '=' padding) of the bytes of content.
std::wstring tsBase64Encode(std::string_view content, int lineForm);
// The same text appended to text: a caller can put its header in front
// without copying the Base64 text afterwards.
void tsBase64EncodeAppend(std::wstring& text, std::string_view content, int lineForm);

// The text without CR and LF at either end; breaks inside stay.
std::wstring tsTrimCRLF(std::wstring text);
// The same for the part of text from the given position on, in place.
void tsTrimCRLFFrom(std::wstring& text, std::size_t from);

// Parts of a Windows path ('\' or '/' separators, drive letters, UNC names).
std::wstring tsGetFileExtension(std::wstring_view path);  // "png" for C:\a\photo.png
std::wstring tsGetFileName(std::wstring_view path);       // "photo.png"
std::wstring tsGetFilePath(std::wstring_view path);       // "C:\a"

// Window handles travel through portable code as opaque values.
using WindowHandle = void*;

bool tsIsInIDE();
void tsRegisterAppPath();
WindowHandle tsGetThunderMainHandle();
void tsSetWindowResIconAll(WindowHandle window, const std::wstring& resourceName);
void tsCenterFormEx(WindowHandle window);
void tsOpenReadMeFile(int reserved);

}  // namespace lumarind
