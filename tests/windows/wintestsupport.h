#pragma once
// Helpers for the Windows-only tests: ANSI code page text, process lookups and waiting.

#include <windows.h>

#include <tlhelp32.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kvx::test {

// The text in the ANSI code page, or none when a character has no exact form there.
inline std::optional<std::string> toAnsi(std::wstring_view text)
{
    if (text.empty())
        return std::string();
    // UTF-8 as the ANSI code page takes neither the flag nor the default-character report.
    const bool utf8Page = GetACP() == CP_UTF8;
    const DWORD flags = utf8Page ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    BOOL *usedDefaultReport = utf8Page ? nullptr : &usedDefault;
    const int size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, usedDefaultReport);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), length, bytes.data(), size, nullptr, usedDefaultReport);
    if (usedDefault)
        return std::nullopt;
    return bytes;
}

// A non-ASCII folder name that the current ANSI code page can hold (the tests run under several).
inline std::wstring ansiRepresentableName()
{
    for (const wchar_t *candidate : {L"Programm\u00e9 \u00fc", L"\u7a0b\u5e8f \u6587\u4ef6", L"\u30d7\u30ed\u30b0\u30e9\u30e0",
                                     L"\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b"}) {
        if (toAnsi(candidate))
            return candidate;
    }
    return L"Program Files";
}

// Byte sequences that the current ANSI code page rejects, when it has any (single-byte pages
// such as 1252 map every byte).
inline std::optional<std::string> invalidAnsiBytes()
{
    if (GetACP() == CP_UTF8)
        return std::string("\xff\xfe");
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize < 2)
        return std::nullopt;
    for (int byte = 0x81; byte <= 0xfe; ++byte) {
        if (IsDBCSLeadByte(static_cast<BYTE>(byte)))
            return std::string(1, static_cast<char>(byte)); // a lead byte with nothing after it
    }
    return std::nullopt;
}

inline std::vector<DWORD> processIdsNamed(const std::wstring &exeName)
{
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, exeName.c_str()) == 0)
            ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

// Polls until the condition holds or the time is up; returns the last answer.
inline bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Sets an environment variable to a wide value (which may lie outside the ANSI code page) for the
// lifetime of the object; the variable is unset afterwards.
class ScopedWideEnvironment {
public:
    ScopedWideEnvironment(std::wstring variable, const std::wstring &value) : name(std::move(variable))
    {
        _wputenv_s(name.c_str(), value.c_str());
    }
    ~ScopedWideEnvironment() { _wputenv_s(name.c_str(), L""); }
    ScopedWideEnvironment(const ScopedWideEnvironment &) = delete;
    ScopedWideEnvironment &operator=(const ScopedWideEnvironment &) = delete;

private:
    std::wstring name;
};

// Sets a variable in the process's environment block only, the way a parent's environment reaches
// a program, leaving the C runtime's own copies as they were; removed again afterwards.
class ScopedBlockEnvironment {
public:
    ScopedBlockEnvironment(std::wstring variable, const std::wstring &value) : name(std::move(variable))
    {
        SetEnvironmentVariableW(name.c_str(), value.c_str());
    }
    ~ScopedBlockEnvironment() { SetEnvironmentVariableW(name.c_str(), nullptr); }
    ScopedBlockEnvironment(const ScopedBlockEnvironment &) = delete;
    ScopedBlockEnvironment &operator=(const ScopedBlockEnvironment &) = delete;

private:
    std::wstring name;
};

// Runs the test in another current directory and restores the previous one.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::filesystem::path &folder) : previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~ScopedCurrentDirectory()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
    }
    ScopedCurrentDirectory(const ScopedCurrentDirectory &) = delete;
    ScopedCurrentDirectory &operator=(const ScopedCurrentDirectory &) = delete;

private:
    std::filesystem::path previous;
};

inline std::string utf8(std::wstring_view text)
{
    const std::filesystem::path path(text);
    const std::u8string bytes = path.u8string();
    return std::string(bytes.begin(), bytes.end());
}

} // namespace kvx::test
