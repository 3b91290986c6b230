#include "render/outputnames.h"

#include "common/portablenames.h"

#include <algorithm>
#include <system_error>

namespace kvx {
namespace {

std::string lowerCaseKey(const std::filesystem::path &path)
{
    const std::u8string text = path.generic_u8string();
    std::string key(text.begin(), text.end());
    std::transform(key.begin(), key.end(), key.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return key;
}

std::filesystem::path pathOf(const std::string &utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string numbered(const std::string &part, int number)
{
    return number < 2 ? part : part + "-" + std::to_string(number);
}

// What the disk holds at the path: nothing, a folder, or anything else (a dangling link included).
enum class OnDisk { Nothing, Folder, Other };

OnDisk onDisk(const std::filesystem::path &path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return OnDisk::Nothing;
    std::error_code folderError;
    return std::filesystem::is_directory(path, folderError) ? OnDisk::Folder : OnDisk::Other;
}

} // namespace

std::string OutputNames::take(const std::filesystem::path &folder, const std::string &part,
                              std::string_view extension, Use use)
{
    for (int number = 1;; ++number) {
        const std::string name = numbered(part, number) + std::string(extension);
        const std::filesystem::path path = folder / pathOf(name);
        const std::string key = lowerCaseKey(path);
        const auto known = used.find(key);
        if (known != used.end()) {
            if (use == Use::Shared && known->second == Use::Shared)
                return name;
            continue;
        }
        const OnDisk existing = onDisk(path);
        if (existing == OnDisk::Other || (use == Use::Own && existing != OnDisk::Nothing))
            continue;
        used.emplace(key, use);
        return name;
    }
}

std::filesystem::path OutputNames::skeletonFolder(std::string_view skeletonName)
{
    // Owned in this run, yet an existing folder of the name is written into.
    const std::string part = portableNamePart(skeletonName);
    for (int number = 1;; ++number) {
        const std::filesystem::path path = root / pathOf(numbered(part, number));
        const std::string key = lowerCaseKey(path);
        if (used.count(key) || onDisk(path) == OnDisk::Other)
            continue;
        used.emplace(key, Use::Own);
        return path;
    }
}

std::filesystem::path OutputNames::claim(const std::filesystem::path &folder, std::string_view name,
                                         std::string_view extension)
{
    const std::string path = portablePath(name);
    std::filesystem::path place = folder;
    std::size_t start = 0;
    for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', start)) {
        place /= pathOf(take(place, path.substr(start, slash - start), "", Use::Shared));
        start = slash + 1;
    }
    return place / pathOf(take(place, path.substr(start), extension, Use::Own));
}

std::string outputName(std::string_view animation, const std::string *skin)
{
    std::string name(animation);
    if (skin)
        name += "-" + *skin;
    return name;
}

} // namespace kvx
