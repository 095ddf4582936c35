#include "cli/posix/ClipboardTool.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string_view>

#include "cli/posix/Descriptor.h"
#include "cli/posix/ErrnoError.h"
#include "cli/posix/WriteAll.h"
#include "support/portable/Utf8.h"

extern char** environ;

namespace lumarind::cli {
namespace {

constexpr std::int32_t kNoClipboardTool = errors::kUnexpected;

struct Candidate {
    const char* name;
    std::vector<std::string> arguments;
};

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// The program's full path on PATH, or empty.
std::string OnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const std::size_t colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        if (folder.empty()) folder = ".";
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string_view::npos) return {};
        folders.remove_prefix(colon + 1);
    }
}

// SIGPIPE ignored while this lives, so that a tool that stops reading
// gives EPIPE, reported, instead of ending the program.
class IgnoredBrokenPipe {
public:
    IgnoredBrokenPipe() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGPIPE, &ignore, &previous_);
    }
    IgnoredBrokenPipe(const IgnoredBrokenPipe&) = delete;
    IgnoredBrokenPipe& operator=(const IgnoredBrokenPipe&) = delete;
    ~IgnoredBrokenPipe() { ::sigaction(SIGPIPE, &previous_, nullptr); }

private:
    struct sigaction previous_ {};
};

struct Pipe {
    Descriptor read;
    Descriptor write;
};

Pipe NewPipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) ThrowErrno(errno);
    return {Descriptor(ends[0]), Descriptor(ends[1])};
}

// What the tool has written to its standard error by now. The tools leave a
// copy of themselves behind to serve the clipboard, which keeps the pipe
// open: waiting for its end would wait until someone else copies.
std::string WhatIsWaiting(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::string text;
    char buffer[4096];
    for (ssize_t read; (read = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(read));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

void Run(const ClipboardCommand& command, std::string_view text) {
    Pipe input = NewPipe();
    Pipe errors = NewPipe();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.read.get(), STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errors.write.get(), STDERR_FILENO);
    std::vector<char*> argv;
    std::string name = command.program.substr(command.program.rfind('/') + 1);
    argv.push_back(name.data());
    std::vector<std::string> arguments = command.arguments;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, command.program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) ThrowErrno(spawned);
    input.read = Descriptor();
    errors.write = Descriptor();

    std::optional<Error> writeError;
    {
        const IgnoredBrokenPipe ignored;
        try {
            WriteAll(input.write.get(), text);
            input.write.Close();
        } catch (const Error& error) {
            writeError = error;
            input.write = Descriptor();
        }
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) ThrowErrno(errno);
    }
    const std::string said = WhatIsWaiting(errors.read.get());
    const bool succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (succeeded && !writeError) return;
    std::string reason = name;
    if (!said.empty()) reason += ": " + said;
    else if (succeeded) reason += " took only part of the text: " + ToUtf8(writeError->description());
    else if (WIFEXITED(status)) reason += " ended with exit status " + std::to_string(WEXITSTATUS(status));
    else if (WIFSIGNALED(status)) reason += " ended by signal " + std::to_string(WTERMSIG(status));
    throw Error(succeeded ? writeError->number() : kNoClipboardTool, FromUtf8(reason));
}

class ClipboardToolSink : public ByteSink {
public:
    // A missing tool is told before any input is read.
    ClipboardToolSink() : command_(FindClipboardCommand()) {}
    void Write(std::string_view bytes) override { text_.append(bytes); }
    void Commit() override { Run(command_, text_); }

private:
    ClipboardCommand command_;
    std::string text_;
};

}  // namespace

ClipboardCommand FindClipboardCommand() {
    const Candidate wayland{"wl-copy", {}};
    const Candidate xclip{"xclip", {"-selection", "clipboard", "-in"}};
    const Candidate xsel{"xsel", {"--clipboard", "--input"}};
    const std::vector<Candidate> order = IsSet("WAYLAND_DISPLAY") ? std::vector<Candidate>{wayland, xclip, xsel}
                                                                   : std::vector<Candidate>{xclip, xsel, wayland};
    for (const Candidate& candidate : order) {
        std::string program = OnPath(candidate.name);
        if (!program.empty()) return {std::move(program), candidate.arguments};
    }
    throw Error(kNoClipboardTool, L"none of wl-copy (Wayland), xclip and xsel (X11) is installed; install one of them");
}

std::unique_ptr<ByteSink> OpenClipboardTool() { return std::make_unique<ClipboardToolSink>(); }

}  // namespace lumarind::cli
