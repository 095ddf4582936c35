// Text on a standard handle: a console shows UTF-8 bytes in its own code
// page (Cyrillic names come out garbled), so a console gets the text as
// UTF-16 through WriteConsoleW; a pipe or a file gets the UTF-8 bytes
// unchanged.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace lumarind::cli {

// For text that arrives in pieces (a streamed data URL, a snippet): a UTF-8
// sequence cut between two pieces reaches the console whole.
class ConsoleText {
public:
    explicit ConsoleText(HANDLE handle);
    // Throws lumarind::Error when the write fails.
    void Write(std::string_view text);
    // Shows what is left of a sequence cut off at the very end.
    void Finish();

private:
    void Show(std::string_view text) const;

    HANDLE handle_;
    bool console_;
    // The start of a UTF-8 sequence whose end is still to come.
    std::string pending_;
};

// The whole text at once.
void WriteUtf8Text(HANDLE handle, std::string_view text);

}  // namespace lumarind::cli
