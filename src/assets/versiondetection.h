#pragma once
// Recognises Spine skeleton data by reading only the head of a file.

#include "assets/spineversion.h"

#include <filesystem>
#include <istream>
#include <optional>
#include <string>

namespace kvx {

enum class SkeletonFormat : int32_t { Json = 0, Binary = 1, Unknown = 2 };

enum class DetectionStatus : int32_t { Supported = 0, OpenFailed = 1, Unrecognized = 2, Unsupported = 3 };

struct VersionDetection {
    SkeletonFormat format = SkeletonFormat::Unknown;
    DetectionStatus status = DetectionStatus::OpenFailed;
    std::optional<SpineVersion> version; // present for Supported and Unsupported
    std::string message;                 // English diagnostic
};

// Reads at most the first MiB of the file, whatever its size. A head that is white space through
// that whole MiB counts as all white space (the binary reader decides). Anything but a regular file
// (a folder, a FIFO, a device) cannot be opened.
VersionDetection detectSpineVersion(const std::filesystem::path &path);

// The same classification over an already opened binary stream positioned anywhere. It reads from
// byte 0 through the stream's buffer; the stream's own state and exception mask are not used.
VersionDetection detectSpineVersion(std::istream &stream);

} // namespace kvx
