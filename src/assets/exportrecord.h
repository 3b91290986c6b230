#pragma once
// Everything learnt about one skeleton's export, found once at intake and handed by value to every
// consumer: readiness, the preview's plugin load, the conversion, inspect and render. Refreshing a
// record reads again only the files whose stamps changed.

#include "assets/atlasreader.h"
#include "assets/versiondetection.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvx {

// What tells that a file changed without opening it.
struct FileStamp {
    bool regular = false; // false: missing, or not a regular file, or not examinable
    uintmax_t size = 0;
    std::filesystem::file_time_type modified{};
    std::filesystem::perms permissions = std::filesystem::perms::none;

    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

FileStamp stampOf(const std::filesystem::path &path);

struct PageRecord {
    std::string name;            // as the atlas names it, UTF-8
    std::filesystem::path image; // resolved against the atlas's folder
    FileStamp stamp;
    bool present = false;        // a regular file that can be opened for reading
    std::optional<bool> pma;     // as stated: "pma: true" exactly is true, as the runtimes read it
    double scale = 1.0;          // absent means 1
    std::string filter;          // the atlas's "filter" value, empty when absent

    bool premultiplied() const { return pma.value_or(false); }
};

enum class AtlasState : int32_t { None = 0, Unreadable = 1, Read = 2 };

struct ExportRecord {
    std::filesystem::path skeleton;
    FileStamp skeletonStamp;
    VersionDetection detection;

    // The companion atlas and its pages: filled by a full read, left empty by a detection only.
    bool atlasExamined = false;
    std::filesystem::path atlas; // empty when the skeleton has no companion atlas
    FileStamp atlasStamp;
    AtlasState atlasState = AtlasState::None;
    std::string atlasError;      // English, for Unreadable
    std::shared_ptr<const AtlasReadResult> atlasContents; // the parsed atlas, for Read
    std::vector<PageRecord> pages; // in atlas order

    bool supported() const { return detection.status == DetectionStatus::Supported; }
    // "4.2" for a skeleton with a version, otherwise empty.
    std::string line() const;
    // File names of the pages that are not present, in atlas order.
    std::vector<std::string> missingPageFileNames() const;
    // Every page taken as premultiplied or as straight, whatever the atlas says (a 3.8 atlas cannot
    // say it): the user's word where the atlas's is missing or wrong.
    void takePagesAs(bool premultiplied);
};

} // namespace kvx
