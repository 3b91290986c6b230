// Grandchild mode of the stand-in editor (tests and demos only).

#include "standin.h"

#include <spawn.h>
#include <unistd.h>

#include <climits>

extern char **environ;

namespace kvx::standin {

unsigned long currentProcessId()
{
    return static_cast<unsigned long>(getpid());
}

std::vector<std::string> programArguments(int argc, char **argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

// The copy inherits standard output and standard error, and stays in this process's group.
bool spawnLingeringChild()
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return false;
    self[length] = '\0';
    char *const arguments[] = {self, const_cast<char *>(kLingerArgument), nullptr};
    pid_t child = 0;
    return posix_spawn(&child, self, nullptr, nullptr, arguments, environ) == 0;
}

} // namespace kvx::standin
