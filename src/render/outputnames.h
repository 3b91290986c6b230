#pragma once
// The names of one run's outputs, chosen before any is written so that the same request always
// gives the same names, however many jobs render it: portable (common/portablenames), unique in
// the run with ASCII case ignored (as Windows and macOS file systems compare names), and free on
// disk when planned. A taken name gets "-2", "-3", ... before its extension; nothing is replaced.
//
//   <output folder>/<skeleton>/<animation>[-<skin>]<extension>
//
// A "/" in an animation or skin name makes a sub-folder, as the editor's folders do. Folders on
// the way (the skeleton's, the names' folders) are shared with what is already on disk; the
// output itself (a file, or a folder of frames) always gets a name of its own.

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace kvx {

class OutputNames {
public:
    explicit OutputNames(std::filesystem::path outputFolder) : root(std::move(outputFolder)) {}

    // The folder of one skeleton below the output folder: its name made one portable part, and a
    // name of its own in this run (a second "hero" gets "hero-2"). An existing folder of that name
    // is written into; anything else of that name is passed over.
    std::filesystem::path skeletonFolder(std::string_view skeletonName);

    // An output below a folder (a skeleton's): the name made portable, its folders shared and its
    // last part, with the extension ("" for a folder), unique and free.
    std::filesystem::path claim(const std::filesystem::path &folder, std::string_view name, std::string_view extension);

private:
    enum class Use { Shared, Own };

    // The first of part, part-2, part-3, ... that the use may take in folder.
    std::string take(const std::filesystem::path &folder, const std::string &part, std::string_view extension, Use use);

    std::filesystem::path root;
    std::map<std::string, Use> used; // by lower-case path
};

// The name an output's frames or file go by: the animation, and "-" and the skin when one was
// chosen among several.
std::string outputName(std::string_view animation, const std::string *skin);

} // namespace kvx
