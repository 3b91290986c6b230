#include "media/pendingfile.h"

#include "media/sidefile.h"

#include <atomic>
#include <random>
#include <utility>

namespace kvx {

namespace {

bool nameIsTaken(const std::filesystem::path &path)
{
    std::error_code ignored;
    return std::filesystem::symlink_status(path, ignored).type() != std::filesystem::file_type::not_found &&
           !ignored;
}

} // namespace

std::string utf8Path(const std::filesystem::path &path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path hiddenSiblingName(const std::filesystem::path &target, std::string_view suffix)
{
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    std::filesystem::path name = ".kovexa-";
    name += std::to_string(random() % 1000000) + "-" + std::to_string(counter++) + "-";
    name += target.filename();
    name += std::string(suffix);
    return target.parent_path() / name;
}

Result<PendingFile> PendingFile::create(const std::filesystem::path &target)
{
    if (nameIsTaken(target))
        return failure(FailureKind::MediaFileExists, utf8Path(target));
    for (int attempt = 0;; ++attempt) {
        std::filesystem::path working = hiddenSiblingName(target, ".part");
        const std::error_code error = createFileExclusively(working);
        if (!error)
            return PendingFile(target, std::move(working));
        if (!isFileNameTaken(error) || attempt == 100)
            return failure(FailureKind::MediaFileCreate, utf8Path(target), error);
    }
}

PendingFile::PendingFile(std::filesystem::path target, std::filesystem::path working)
    : targetPath(std::move(target)), working(std::move(working))
{
}

PendingFile::PendingFile(PendingFile &&other) noexcept
    : targetPath(std::move(other.targetPath)), working(std::exchange(other.working, {}))
{
}

PendingFile &PendingFile::operator=(PendingFile &&other) noexcept
{
    if (this != &other) {
        discard();
        targetPath = std::move(other.targetPath);
        working = std::exchange(other.working, {});
    }
    return *this;
}

PendingFile::~PendingFile()
{
    discard();
}

void PendingFile::discard()
{
    if (working.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove(working, ignored);
    working.clear();
}

Status PendingFile::publish()
{
    const std::error_code error = moveFileWithoutReplacing(working, targetPath);
    if (error) {
        discard();
        const FailureKind kind = isFileNameTaken(error) ? FailureKind::MediaFileExists : FailureKind::MediaFileWrite;
        return failure(kind, utf8Path(targetPath), isFileNameTaken(error) ? std::error_code() : error);
    }
    working.clear();
    return Done{};
}

} // namespace kvx
