// The clipboard on Linux, which has no clipboard of its own to call: the
// text goes to whichever of wl-copy (Wayland), xclip and xsel (X11) is
// installed, as the desktop's own tools put it there.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/CliPlatform.h"

namespace lumarind::cli {

struct ClipboardCommand {
    // The program found on PATH, and its arguments after its name.
    std::string program;
    std::vector<std::string> arguments;
};

// The command that takes the text on its standard input: on Wayland
// (WAYLAND_DISPLAY set) wl-copy first, else xclip, then xsel. Throws
// lumarind::Error naming all three when none is installed.
ClipboardCommand FindClipboardCommand();

// Gathers the text; Commit hands it to the command and fails when that
// fails, so that nothing reaches the clipboard before the whole text does.
std::unique_ptr<ByteSink> OpenClipboardTool();

}  // namespace lumarind::cli
