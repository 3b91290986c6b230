#include "support/testfiles.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace kvx::test {

namespace {

std::filesystem::path uniqueTempPath()
{
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    std::ostringstream name;
    name << "kvx-test-" << device() << '-' << counter++;
    return std::filesystem::temp_directory_path() / name.str();
}

void setEnvironment(const std::string &name, const std::string *value)
{
#ifdef _WIN32
    _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    if (value)
        setenv(name.c_str(), value->c_str(), 1);
    else
        unsetenv(name.c_str());
#endif
}

} // namespace

TempFolder::TempFolder() : root(uniqueTempPath())
{
    std::filesystem::create_directories(root);
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::permissions(root, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(root, ignored);
}

std::filesystem::path TempFolder::write(const std::filesystem::path &relative, std::string_view bytes) const
{
    const std::filesystem::path file = root / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

std::string readFileBytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> entriesBelow(const std::filesystem::path &folder)
{
    std::vector<std::string> entries;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        entries.push_back(std::filesystem::relative(entry->path(), folder).generic_string());
    std::sort(entries.begin(), entries.end());
    return entries;
}

ScopedEnvironment::ScopedEnvironment(std::string variable, const std::string *value) : name(std::move(variable))
{
    if (const char *current = std::getenv(name.c_str())) {
        hadValue = true;
        previous = current;
    }
    setEnvironment(name, value);
}

ScopedEnvironment::~ScopedEnvironment()
{
    setEnvironment(name, hadValue ? &previous : nullptr);
}

std::filesystem::path standinEditorPath()
{
    return std::filesystem::path(KVX_STANDIN_EDITOR_PATH);
}

} // namespace kvx::test
