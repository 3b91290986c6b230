#include "support/standineditor.h"

#include "support/testfiles.h"

#include <fstream>

namespace kvx::test {
namespace {

std::string shellQuoted(const std::string &text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

std::filesystem::path writeStandinEditorScript(const std::filesystem::path &path, const std::string &output,
                                               int delayMilliseconds)
{
    std::filesystem::create_directories(path.parent_path());
    {
        std::ofstream script(path, std::ios::binary | std::ios::trunc);
        script << "#!/bin/sh\n# Stand-in editor for tests (not the Spine Editor).\n"
               << "KVX_STANDIN_OUTPUT=" << shellQuoted(output) << "\nexport KVX_STANDIN_OUTPUT\n"
               << "KVX_STANDIN_DELAY_MS=" << delayMilliseconds << "\nexport KVX_STANDIN_DELAY_MS\n"
               << "exec " << shellQuoted(standinEditorPath().string()) << " \"$@\"\n";
    }
    std::filesystem::permissions(path, std::filesystem::perms::owner_all | std::filesystem::perms::group_read
                                           | std::filesystem::perms::group_exec);
    return path;
}

} // namespace kvx::test
