#pragma once
// Stand-in for the Spine Editor's command line (tests and demos only; it is not the editor).
//
// Behaviour is set through environment variables so that a test can configure the child it starts:
//   KVX_STANDIN_OUTPUT       text printed by --version (default: a launcher line and an editor line)
//   KVX_STANDIN_STDERR       text printed to standard error by --version
//   KVX_STANDIN_EXIT_CODE    exit code of --version (default 0)
//   KVX_STANDIN_DELAY_MS     --version: sleep before exiting, after printing; unpack/import: sleep
//                            before working
//   KVX_STANDIN_MODE         "grandchild": leave a child running that holds the output open;
//                            "flood": print KVX_STANDIN_FLOOD_BYTES bytes (default 10 MB);
//                            "endless": print KVX_STANDIN_OUTPUT over and over, never exiting
//   KVX_STANDIN_FAIL_CODE    unpack/import: print KVX_STANDIN_FAIL_OUTPUT (to standard output) and
//                            exit with this code
//   KVX_STANDIN_FAIL_STAGE   "unpack" or "import": which command fails (default both)
//   KVX_STANDIN_FAIL_FLOOD_BYTES unpack/import failure: filler printed before the failure's output;
//                            negative: printed without end, never failing
//   KVX_STANDIN_NO_IMAGES    unpack: exit 0 without writing any image
//   KVX_STANDIN_EMPTY_PROJECT import: write an empty project file
//   KVX_STANDIN_PROJECT_FOLDER import: make a non-empty folder in place of the project file
//   KVX_STANDIN_LOG          append one line per invocation to this file: the arguments separated by
//                            tabs, with tab, line feed and carriage return inside them written as
//                            \t, \n and \r
//   KVX_STANDIN_FLOOD_BYTES  flood mode: how many bytes to print after the version text
//   KVX_STANDIN_PID_FILE     append this process's id and a line feed to this file on start

#include <optional>
#include <string>
#include <vector>

namespace kvx::standin {

// The private first argument of the lingering copy that grandchild mode starts.
inline constexpr char kLingerArgument[] = "--kvx-standin-linger";

std::string environmentText(const char *name);                 // empty when unset
std::optional<std::string> environmentValue(const char *name); // none when unset, even if empty
bool environmentFlag(const char *name);                        // set, not empty and not "0"
void logInvocation(const std::vector<std::string> &arguments);
void recordProcessId(); // KVX_STANDIN_PID_FILE
unsigned long currentProcessId();

// Each returns the process exit code.
int runVersionCommand();
int runUnpackCommand(const std::string &version, const std::string &inputFolder, const std::string &outputFolder,
                     const std::string &atlasPath);
int runImportCommand(const std::string &version, const std::string &skeletonPath, const std::string &scale,
                     const std::string &projectPath);

// The command-line arguments after the program name, as UTF-8 (on Windows from the wide command
// line, since argv there is in the ANSI code page and loses other characters).
std::vector<std::string> programArguments(int argc, char **argv);

// Starts a copy of this program with kLingerArgument, inheriting standard output and standard error
// (grandchild mode). The copy runs runLingeringChild.
bool spawnLingeringChild();
int runLingeringChild(); // sleeps about 20 s, holding the inherited output open

// Refuses a version that is not in the update cache, as the editor would otherwise download it.
bool versionIsCached(const std::string &version);

} // namespace kvx::standin
