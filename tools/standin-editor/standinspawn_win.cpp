// Windows seams of the stand-in editor (tests and demos only): grandchild mode, wide arguments.

#include "standin.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace kvx::standin {
namespace {

std::wstring ownModulePath()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::string utf8FromWide(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string bytes(static_cast<size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

} // namespace

unsigned long currentProcessId()
{
    return GetCurrentProcessId();
}

// The arguments after the program name, as UTF-8. main's argv holds them in the ANSI code page,
// where characters outside it have already become '?'; the wide command line keeps them all.
std::vector<std::string> programArguments(int argc, char **argv)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

// The copy gets this process's standard handles, inherited, so that it holds the runner's pipe
// open after this process has ended; it stays in this process's job.
bool spawnLingeringChild()
{
    const std::wstring self = ownModulePath();
    if (self.empty())
        return false;
    const std::string linger(kLingerArgument);
    std::wstring commandLine = L"\"" + self + L"\" " + std::wstring(linger.begin(), linger.end());

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace kvx::standin
