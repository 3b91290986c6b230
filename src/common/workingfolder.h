#pragma once
// A fresh, private folder for work in progress, ".kovexa-" and six characters inside the folder
// the work is for, so that the finished work can be published there by one rename. Removed with
// everything in it when the object goes, unless released.

#include "common/failure.h"

#include <filesystem>

namespace kvx {

class WorkingFolder {
public:
    // FolderCreate with the system's reason when parent takes no new folder.
    static Result<WorkingFolder> create(const std::filesystem::path &parent);

    WorkingFolder(WorkingFolder &&other) noexcept;
    WorkingFolder &operator=(WorkingFolder &&) = delete;
    WorkingFolder(const WorkingFolder &) = delete;
    ~WorkingFolder();

    const std::filesystem::path &path() const { return folder; }
    // Keeps the folder: its contents were published under their final name.
    void release() { folder.clear(); }

private:
    explicit WorkingFolder(std::filesystem::path folder) : folder(std::move(folder)) {}

    std::filesystem::path folder;
};

} // namespace kvx
