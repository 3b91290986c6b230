#include "common/outputfolder.h"

#include "common/workingfolder.h"

namespace kvx {

Result<OutputFolder> OutputFolder::prepare(const std::filesystem::path &folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    OutputFolder output;
    output.folder = fs::absolute(folder, error).lexically_normal();
    if (error)
        return failure(FailureKind::FolderCreate, pathDetail(folder), error);
    if (fs::exists(output.folder, error) && !fs::is_directory(output.folder, error))
        return failure(FailureKind::NotAFolder, pathDetail(folder));

    std::vector<fs::path> missing;
    for (fs::path step = output.folder; !fs::exists(step, error) && step.has_relative_path(); step = step.parent_path())
        missing.insert(missing.begin(), step);
    for (const fs::path &step : missing) {
        const bool made = fs::create_directory(step, error);
        if (error) {
            output.removeCreatedIfEmpty();
            return failure(FailureKind::FolderCreate, pathDetail(step), error);
        }
        if (made) // not when another process made it meanwhile
            output.created.push_back(step);
    }
    if (Result<WorkingFolder> probe = WorkingFolder::create(output.folder); !probe) {
        output.removeCreatedIfEmpty();
        return failure(FailureKind::FolderNotWritable, pathDetail(folder), probe.failure().systemError);
    }
    return output;
}

void OutputFolder::removeCreatedIfEmpty() const
{
    std::error_code ignored;
    for (auto step = created.rbegin(); step != created.rend(); ++step) {
        if (!std::filesystem::remove(*step, ignored)) // only an empty folder goes
            return;
    }
}

} // namespace kvx
