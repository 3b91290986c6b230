#include "common/workingfolder.h"

#include <random>
#include <string_view>

namespace kvx {
namespace {

constexpr int kNameAttempts = 100;

std::string randomSuffix(std::mt19937 &generator)
{
    constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::uniform_int_distribution<size_t> pick(0, kLetters.size() - 1);
    std::string suffix;
    for (int i = 0; i < 6; ++i)
        suffix += kLetters[pick(generator)];
    return suffix;
}

} // namespace

Result<WorkingFolder> WorkingFolder::create(const std::filesystem::path &parent)
{
    std::mt19937 generator{std::random_device{}()};
    std::error_code error;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path candidate = parent / (".kovexa-" + randomSuffix(generator));
        if (std::filesystem::create_directory(candidate, error)) {
            // Private while it holds unfinished work; publishing gives the final folder the usual rights.
            std::filesystem::permissions(candidate, std::filesystem::perms::owner_all, error);
            return WorkingFolder(candidate);
        }
        if (error && error != std::errc::file_exists)
            break;
    }
    return failure(FailureKind::FolderCreate, pathDetail(parent), error);
}

WorkingFolder::WorkingFolder(WorkingFolder &&other) noexcept : folder(std::move(other.folder))
{
    other.folder.clear();
}

WorkingFolder::~WorkingFolder()
{
    if (folder.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace kvx
