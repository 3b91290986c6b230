#pragma once
// What /proc says about other processes (POSIX tests only).

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kvx::test {

// The fields of /proc/<pid>/stat after the command name: state, then the parent's id.
inline std::string statAfterName(long pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return {};
    const size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? std::string() : text.substr(close + 2);
}

// Present and running: neither gone nor a zombie that no longer runs anything.
inline bool processIsLive(long pid)
{
    const std::string fields = statAfterName(pid);
    return !fields.empty() && fields[0] != 'Z' && fields[0] != 'X';
}

inline long parentOf(long pid)
{
    const std::string fields = statAfterName(pid);
    return fields.size() > 2 ? std::stol(fields.substr(2)) : 0;
}

// Process ids written one a line (by the stand-in's KVX_STANDIN_PID_FILE, or a test's script).
inline std::vector<long> recordedIds(const std::filesystem::path &file)
{
    std::ifstream in(file);
    std::vector<long> ids;
    for (long pid = 0; in >> pid;)
        ids.push_back(pid);
    return ids;
}

// Ends what a failed test left running.
inline void killRecorded(const std::filesystem::path &file)
{
    for (const long pid : recordedIds(file)) {
        if (pid > 0 && processIsLive(pid))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
}

} // namespace kvx::test
