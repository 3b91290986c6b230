// Stand-in for the Spine Editor's command line, for tests and demos only.

#include "standin.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct ParsedArguments {
    std::map<std::string, std::string> values; // "-u" -> version, ...
    bool version = false;
    bool import = false;
};

ParsedArguments parseArguments(const std::vector<std::string> &arguments)
{
    ParsedArguments parsed;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (argument == "--version")
            parsed.version = true;
        else if (argument == "--import")
            parsed.import = true;
        else if (argument.size() == 2 && argument[0] == '-' && i + 1 < arguments.size())
            parsed.values[argument] = arguments[++i];
    }
    return parsed;
}

int usage()
{
    std::fprintf(stderr, "Spine stand-in (tests and demos only, not the Spine Editor): unsupported command line\n"
                         "usage: --version | -u version -i folder -o folder -c atlas | "
                         "-u version -i skeleton -s scale -o project --import\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    using namespace kvx::standin;
    const std::vector<std::string> arguments = programArguments(argc, argv);
    // The copy grandchild mode leaves behind is not an invocation of its own.
    if (arguments.size() == 1 && arguments[0] == kLingerArgument)
        return runLingeringChild();
    logInvocation(arguments);
    recordProcessId();
    const ParsedArguments parsed = parseArguments(arguments);
    if (parsed.version)
        return runVersionCommand();

    const auto value = [&](const char *key) {
        const auto found = parsed.values.find(key);
        return found == parsed.values.end() ? std::string() : found->second;
    };
    const std::string version = value("-u");
    if (version.empty() || value("-i").empty() || value("-o").empty())
        return usage();
    if (!versionIsCached(version)) {
        std::fprintf(stderr, "Spine %s is not in the update cache; refusing to download it\n", version.c_str());
        return 3;
    }
    if (parsed.import)
        return runImportCommand(version, value("-i"), value("-s"), value("-o"));
    if (!value("-c").empty())
        return runUnpackCommand(version, value("-i"), value("-o"), value("-c"));
    return usage();
}
