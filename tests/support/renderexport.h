#pragma once
// A small Spine 4.2 export whose frames are known to the pixel, for the render tests: a 64 x 32
// straight page ("Nearest" filtering) holding an opaque square "box" (texels 8-23, colour
// kBoxColour) and a half-transparent square "glass" (texels 40-55, kGlassColour at alpha 128),
// the rest transparent; bone "root" carries box centred on it ([-8, 8] in x and y) and glass 40
// units to its left.
//   "move"       1 s: root moves from (0, 0) to (40, 0)
//   "still"      0.5 s: nothing moves
//   "face/blink" 0.2 s: nothing moves (a name with a folder)

#include <QColor>
#include <filesystem>
#include <string>

namespace kvx::test {

inline const QColor kBoxColour(200, 80, 40);
inline const QColor kGlassColour(40, 80, 200, 128);

// Writes <name>.json, <name>.atlas and <name>.png into folder; returns the skeleton's path.
// extraAnimations go inside the "animations" object after the three above, with a leading comma.
std::filesystem::path writeRenderExport(const std::filesystem::path &folder, const std::string &name = "box",
                                        const std::string &extraAnimations = {});

// The same page under a skeleton whose box swings: bone "arm" (the box on it) hangs from "root"
// under a physics constraint, and three animations move the root: "kick" jerks it aside and back
// (0.5 s), "rest" holds it (0.5 s) and "sway" carries it 20 units right and back (1 s). What the
// box does in each depends on where physics stood when the animation began.
std::filesystem::path writeSwingingExport(const std::filesystem::path &folder, const std::string &name = "swing");

} // namespace kvx::test
