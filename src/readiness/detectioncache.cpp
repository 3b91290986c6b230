#include "readiness/detectioncache.h"

#include <system_error>

namespace kvx {

VersionDetection DetectionCache::detect(const std::filesystem::path &path)
{
    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(path, error);
    const uintmax_t fileSize = regular ? std::filesystem::file_size(path, error) : 0;
    const std::filesystem::file_time_type modified =
        regular && !error ? std::filesystem::last_write_time(path, error) : std::filesystem::file_time_type{};
    const std::filesystem::perms permissions =
        regular && !error ? std::filesystem::status(path, error).permissions() : std::filesystem::perms::none;
    if (!regular || error) {
        entries.erase(path.native());
        ++detections;
        return detectSpineVersion(path); // whatever it is now, detection tells it as before
    }
    const auto known = entries.find(path.native());
    if (known != entries.end() && known->second.fileSize == fileSize && known->second.modified == modified
        && known->second.permissions == permissions)
        return known->second.detection;
    ++detections;
    VersionDetection detection = detectSpineVersion(path);
    entries.insert_or_assign(path.native(), Entry{fileSize, modified, permissions, detection});
    return detection;
}

} // namespace kvx
