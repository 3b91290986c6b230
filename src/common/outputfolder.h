#pragma once
// The folder a command writes into, made ready before any work: created when missing and proved
// writable, so that a mistake is reported once with the system's reason instead of by every item.

#include "common/failure.h"

#include <filesystem>
#include <vector>

namespace kvx {

class OutputFolder {
public:
    // NotAFolder when something else holds the name, FolderCreate when it (or a folder above it)
    // cannot be created, FolderNotWritable when nothing can be created inside it; the last two
    // with the system's reason. A failure leaves no folder behind.
    static Result<OutputFolder> prepare(const std::filesystem::path &folder);

    const std::filesystem::path &path() const { return folder; }
    // Removes the folders prepare created, as long as nothing was written into them.
    void removeCreatedIfEmpty() const;

private:
    std::filesystem::path folder;
    std::vector<std::filesystem::path> created; // outermost first
};

} // namespace kvx
