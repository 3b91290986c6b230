// Stand-in importer (tests and demos only): writes a labelled placeholder in place of a project.

#include "standin.h"
#include "standinfaults.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace kvx::standin {

namespace {

int reportError(const std::string &message)
{
    std::fprintf(stderr, "Spine stand-in importer: %s\n", message.c_str());
    return 1;
}

std::string placeholderText(const std::string &version, const std::string &skeletonPath, const std::string &scale)
{
    return "Kovexa stand-in placeholder project: NOT a real Spine project.\n"
           "Written by the Spine Editor stand-in used for tests and demos.\n"
           "skeleton: " + skeletonPath + "\n"
           "version: " + version + "\n"
           "scale: " + scale + "\n";
}

} // namespace

int runImportCommand(const std::string &version, const std::string &skeletonPath, const std::string &scale,
                     const std::string &projectPath)
{
    delayBeforeWork();
    if (const std::optional<int> code = requestedFailure("import"))
        return *code;
    if (!std::ifstream(skeletonPath, std::ios::binary))
        return reportError("skeleton data could not be read: " + skeletonPath);
    if (scale.empty())
        return reportError("no import scale given");
    if (environmentFlag("KVX_STANDIN_PROJECT_FOLDER")) {
        // A misbehaving editor: a non-empty folder where the project file belongs, and success.
        std::error_code error;
        std::filesystem::create_directories(projectPath, error);
        const std::filesystem::path content = std::filesystem::path(projectPath) / "content.txt";
        std::ofstream(content) << placeholderText(version, skeletonPath, scale);
        return error ? reportError("project folder could not be made: " + projectPath) : 0;
    }
    std::ofstream project(projectPath, std::ios::binary | std::ios::trunc);
    if (!project)
        return reportError("project file could not be written: " + projectPath);
    if (!environmentFlag("KVX_STANDIN_EMPTY_PROJECT"))
        project << placeholderText(version, skeletonPath, scale);
    if (!project.flush())
        return reportError("project file could not be written: " + projectPath);
    std::printf("Spine %s stand-in: imported %s at scale %s\n", version.c_str(), skeletonPath.c_str(), scale.c_str());
    return 0;
}

} // namespace kvx::standin
