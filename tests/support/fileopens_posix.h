#pragma once
// Counts the files opened in one folder, by name, through Linux inotify (IN_OPEN events): how a test
// proves that a file is read no more often than it must be, by this process or any other.

#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

namespace kvx::test {

class FileOpenCounter {
public:
    explicit FileOpenCounter(const std::filesystem::path &folder) : descriptor(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        watching = descriptor >= 0 && ::inotify_add_watch(descriptor, folder.c_str(), IN_OPEN) >= 0;
    }
    ~FileOpenCounter()
    {
        if (descriptor >= 0)
            ::close(descriptor);
    }
    FileOpenCounter(const FileOpenCounter &) = delete;
    FileOpenCounter &operator=(const FileOpenCounter &) = delete;

    bool isWatching() const { return watching; }

    // Opens of the named file in the folder since the counter was made or last cleared.
    int opensOf(const std::string &name)
    {
        const auto found = opens().find(name);
        return found == counts.end() ? 0 : found->second;
    }
    // Every file opened meanwhile, with its count (the folder itself, listed, is not counted).
    const std::map<std::string, int> &opens()
    {
        alignas(inotify_event) char buffer[16384];
        for (ssize_t size; (size = ::read(descriptor, buffer, sizeof buffer)) > 0;) {
            for (char *at = buffer; at < buffer + size;) {
                const auto *event = reinterpret_cast<const inotify_event *>(at);
                if (event->len > 0 && !(event->mask & IN_ISDIR))
                    ++counts[event->name];
                at += sizeof(inotify_event) + event->len;
            }
        }
        return counts;
    }
    void clear()
    {
        opens();
        counts.clear();
    }

private:
    int descriptor = -1;
    bool watching = false;
    std::map<std::string, int> counts;
};

} // namespace kvx::test
