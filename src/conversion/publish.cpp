#include "conversion/publish.h"

namespace kvx {
namespace {

// Names taken meanwhile are retried under the next free one; past this many the failure is reported.
constexpr int kPublishAttempts = 100;

std::filesystem::path numbered(const std::filesystem::path &baseName, int64_t number,
                               const std::filesystem::path &suffix)
{
    std::filesystem::path name = baseName;
    if (number >= 2)
        name += "-" + std::to_string(number);
    name += suffix;
    return name;
}

// A dangling symbolic link holds a name as well.
bool entryExists(const std::filesystem::path &path)
{
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

} // namespace

Result<std::filesystem::path> publishUnderFreeName(const std::filesystem::path &source,
                                                   const std::filesystem::path &parent,
                                                   const std::filesystem::path &baseName,
                                                   const std::filesystem::path &suffix)
{
    int64_t number = 1;
    std::error_code error;
    for (int attempt = 0; attempt < kPublishAttempts; ++attempt) {
        while (entryExists(parent / numbered(baseName, number, suffix)))
            ++number;
        const std::filesystem::path destination = parent / numbered(baseName, number, suffix);
        error = publishFolder(source, destination);
        if (!error)
            return destination;
        if (!isNameTaken(error))
            break;
    }
    return failure(FailureKind::FolderCreate, pathDetail(parent / numbered(baseName, 1, suffix)), error);
}

} // namespace kvx
