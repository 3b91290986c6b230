#pragma once
// The stand-in editor behind a launcher script, as tests install it where the window and
// kovexa-cli look for an editor (not the Spine Editor).

#include <filesystem>
#include <string>

namespace kvx::test {

// Writes an executable shell script at path that runs the stand-in editor, which prints output
// when asked for its version and waits delayMilliseconds before it answers. Returns the path.
std::filesystem::path writeStandinEditorScript(const std::filesystem::path &path, const std::string &output,
                                               int delayMilliseconds = 0);

} // namespace kvx::test
