#pragma once
// Version detection remembered per path while the file keeps its size and modification time, so
// that a readiness run over a long list costs no more than the files that changed.

#include "assets/versiondetection.h"

#include <cstdint>
#include <filesystem>
#include <unordered_map>

namespace kvx {

class DetectionCache {
public:
    // The detection of the file as it is now: remembered, or detected afresh when the file's size or
    // time or permissions changed, or it cannot be examined (then nothing is remembered for it).
    VersionDetection detect(const std::filesystem::path &path);

    size_t size() const { return entries.size(); }
    int64_t detectionsRun() const { return detections; } // for tests and benchmarks

private:
    struct Entry {
        uintmax_t fileSize = 0;
        std::filesystem::file_time_type modified;
        std::filesystem::perms permissions = std::filesystem::perms::none;
        VersionDetection detection;
    };
    std::unordered_map<std::filesystem::path::string_type, Entry> entries;
    int64_t detections = 0;
};

} // namespace kvx
