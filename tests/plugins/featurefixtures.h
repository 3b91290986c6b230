#pragma once
// Hand-made exports that exercise what real characters use: skins, chain path constraints, a
// concave clipping polygon, a growing animation, and a rig combining meshes, IK, transform and
// path constraints, clipping and (from 4.2 on) physics. Every line's JSON dialect is written.

#include "plugins/exportfixtures.h"

#include <string>

namespace kvx::test {

struct FixtureExport {
    std::string skeleton; // JSON text
    std::string atlas;
    std::string animation; // the animation to play, empty when there is none
};

// Bones b1 and b2 (20 long, a 20 × 10 region "seg" along each) on a straight path from (0, 0)
// to (100, 100), y up, under a path constraint in chain rotate mode with length spacing: both
// bones lie on the path, turned by 45°.
FixtureExport chainPathExport(const std::string &line);

// The path constraint's modes and values in pathChainExport, as the editor writes them.
struct PathChainModes {
    std::string spacingMode; // "fixed", "length" or "percent"
    double spacing = 0;
    std::string rotateMode; // "tangent", "chain" or "chainScale"
    double position = 0;    // fixed, in the path's own units
};

// Bones b1–b3 (20 long, region "seg" along each) under bone "hip", which scales them by 1.25,
// on an L-shaped path of two straight curves. Bone "pathBone" draws the path at twice its
// recorded size: in the world it runs from (-30, -20) to (30, -20) and on to (30, 40), 120 long
// where its lengths say 60. Bone "end" sits at b3's tip; bone "foot" (region "seg") follows it
// through a transform constraint applied after the path constraint. Animation "sneak" turns the
// path and stretches the hip over one second.
FixtureExport pathChainExport(const std::string &line, const PathChainModes &modes);

// A 100 × 100 region centred on the root, clipped by a comb with four teeth pointing up: the
// square (-30, -30)–(30, 30) less three notches 20 wide and 30 deep, 2700 square units in all.
// Animation "still" holds the pose for a second.
FixtureExport concaveClipExport(const std::string &line);
constexpr double concaveClipArea = 2700.0;

// Skins "default" (a 4 × 4 dot at the origin), "small" (a 20 × 10 region centred on (50, 0))
// and "large" (a 40 × 40 region centred on (-50, 0)), all on slot "body".
FixtureExport skinsExport(const std::string &line);

// Part skins meant to be combined, on slots "body" and "hat" of the root: "plain" puts a 20 × 10
// region centred on (-30, 0) on the body, "hat" a 4 × 4 dot centred on (0, 40) on the hat, and "big"
// a 40 × 40 region centred on (50, 0) on the body. The default skin is empty. Animation "idle".
FixtureExport partSkinsExport(const std::string &line);

// Animation "grow" moves a 20 × 10 region from x 0 to x 100 over one second; its frames cover
// x -10 to 110 and y -5 to 5, its first frame only x -10 to 10.
FixtureExport growingExport(const std::string &line);

// Meshes (one weighted), IK, transform and path constraints, concave clipping and, from 4.2 on,
// physics, all moved by animation "move" (one second); slots "plain" and "p1" have dark colours,
// the first animated with its light colour. Animation "kick" jerks the root and turns the tail
// (whose bone physics follows) within 0.4 s.
FixtureExport fullRigExport(const std::string &line);

} // namespace kvx::test
