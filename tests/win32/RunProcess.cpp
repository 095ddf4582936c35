#include "tests/win32/RunProcess.h"

#include <windows.h>

#include <stdexcept>

#include "support/win32/UniqueHandle.h"

namespace lumarind::testing {

std::string RunProcess(const std::wstring& commandLine, unsigned long* exitCode) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    win32::UniqueFile readEnd, writeEnd;
    HANDLE readHandle = nullptr, writeHandle = nullptr;
    if (!CreatePipe(&readHandle, &writeHandle, &inherit, 0)) throw std::runtime_error("CreatePipe failed");
    readEnd.reset(readHandle);
    writeEnd.reset(writeHandle);
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::wstring mutableLine = commandLine;
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        throw std::runtime_error("CreateProcess failed");
    }
    const win32::UniqueFile processHandle(process.hProcess), threadHandle(process.hThread);
    writeEnd.reset();

    std::string output;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof buffer, &read, nullptr) && read != 0) output.append(buffer, read);
    WaitForSingleObject(processHandle.get(), INFINITE);
    if (exitCode != nullptr) GetExitCodeProcess(processHandle.get(), exitCode);
    return output;
}

std::wstring UnixName(const std::wstring& path) {
    using Converter = char*(CDECL*)(const wchar_t*);
    const auto convert = reinterpret_cast<Converter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* name = convert != nullptr ? convert(path.c_str()) : nullptr;
    const std::string text = name != nullptr ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return std::wstring(text.begin(), text.end());
}

bool RunUnixProgram(std::wstring command, const std::function<bool()>& done) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    const win32::UniqueFile processHandle(process.hProcess), threadHandle(process.hThread);
    for (const ULONGLONG deadline = GetTickCount64() + 10000; GetTickCount64() < deadline; Sleep(10)) {
        if (done()) return true;
    }
    return false;
}

}  // namespace lumarind::testing
