#pragma once
// The file an encoder writes, kept under a hidden name beside its target until it is complete, so
// the target's name only ever holds a finished file and never replaces anything.

#include "common/failure.h"

#include <filesystem>
#include <string_view>

namespace kvx {

class PendingFile {
public:
    // Claims a hidden working file beside the target. Fails with MediaFileExists when anything has
    // the target's name, MediaFileCreate (with the system's reason) when the folder takes no file.
    static Result<PendingFile> create(const std::filesystem::path &target);

    PendingFile(PendingFile &&other) noexcept;
    PendingFile &operator=(PendingFile &&other) noexcept;
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;
    ~PendingFile(); // removes the working file unless it was published

    const std::filesystem::path &target() const { return targetPath; }
    const std::filesystem::path &workingPath() const { return working; }

    // Gives the working file the target's name. Fails with MediaFileExists when the name was taken
    // meanwhile; the working file is removed then too.
    Status publish();
    void discard();

private:
    PendingFile(std::filesystem::path target, std::filesystem::path working);

    std::filesystem::path targetPath;
    std::filesystem::path working; // empty once published or discarded
};

// A hidden name beside `target` that nothing uses yet, ending in `suffix`.
std::filesystem::path hiddenSiblingName(const std::filesystem::path &target, std::string_view suffix);

// The path as UTF-8 text, for details and for FFmpeg (which takes UTF-8 paths on every system).
std::string utf8Path(const std::filesystem::path &path);

} // namespace kvx
