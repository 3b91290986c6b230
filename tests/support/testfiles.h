#pragma once
// Temporary folders and files that tests write for themselves.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kvx::test {

// A fresh folder under the system temp folder, removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::filesystem::path &path() const { return root; }
    std::filesystem::path operator/(const std::filesystem::path &relative) const { return root / relative; }

    // Writes bytes to a file below the folder, creating parent folders; returns its path.
    std::filesystem::path write(const std::filesystem::path &relative, std::string_view bytes) const;

private:
    std::filesystem::path root;
};

std::string readFileBytes(const std::filesystem::path &path);

// Every file and folder below the folder, as generic relative paths in order; none when it is missing.
std::vector<std::string> entriesBelow(const std::filesystem::path &folder);

// Sets an environment variable for the lifetime of the object and restores it afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string *value); // null value: unset
    ScopedEnvironment(std::string name, const std::string &value) : ScopedEnvironment(std::move(name), &value) {}
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    std::string name;
    bool hadValue = false;
    std::string previous;
};

// Path of the stand-in editor built with the tests.
std::filesystem::path standinEditorPath();

} // namespace kvx::test
