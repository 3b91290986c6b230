#include "assets/exportrecord.h"

#include <system_error>

namespace kvx {

FileStamp stampOf(const std::filesystem::path &path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::is_regular_file(status))
        return {};
    FileStamp stamp;
    stamp.size = std::filesystem::file_size(path, error);
    if (!error)
        stamp.modified = std::filesystem::last_write_time(path, error);
    if (error)
        return {};
    stamp.regular = true;
    stamp.permissions = status.permissions();
    return stamp;
}

std::string ExportRecord::line() const
{
    return detection.version ? detection.version->majorMinorText() : std::string();
}

void ExportRecord::takePagesAs(bool premultiplied)
{
    for (PageRecord &page : pages)
        page.pma = premultiplied;
}

std::vector<std::string> ExportRecord::missingPageFileNames() const
{
    std::vector<std::string> names;
    for (const PageRecord &page : pages) {
        if (page.present)
            continue;
        // The last component, by the platform's separators, as a file dialog would name it.
        const std::u8string name(page.name.begin(), page.name.end());
        const std::u8string fileName = std::filesystem::path(name).filename().u8string();
        names.emplace_back(fileName.begin(), fileName.end());
    }
    return names;
}

} // namespace kvx
