#include "assets/referencepatterns.h"

#include <regex>

namespace kvx::test {

VersionDetection referenceJsonDetection(std::string_view head)
{
    static const std::regex bones(R"("bones"\s*:)", std::regex::ECMAScript);
    static const std::regex spine(R"rx("spine"\s*:\s*"(\d+\.\d+(?:\.\d+)?(?:-[^"]+)?)")rx", std::regex::ECMAScript);
    const auto unrecognized = [](const char *message) {
        return VersionDetection{SkeletonFormat::Json, DetectionStatus::Unrecognized, std::nullopt, message};
    };
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_search(head.begin(), head.end(), bones) ||
        !std::regex_search(head.begin(), head.end(), match, spine))
        return unrecognized("JSON does not contain the minimum Spine skeleton schema.");
    const std::optional<SpineVersion> version = parseSpineVersion(match[1].str());
    if (!version)
        return unrecognized("Spine JSON version is invalid.");
    if (!isSupportedSpineVersion(*version))
        return {SkeletonFormat::Json, DetectionStatus::Unsupported, version,
                "Spine data version is outside the supported range."};
    return {SkeletonFormat::Json, DetectionStatus::Supported, version, "Spine data version detected."};
}

} // namespace kvx::test
