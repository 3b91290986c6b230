#pragma once
// A character of real size for the render benchmarks, written in Spine 4.2's JSON: about 55 bones
// (a hair chain under physics, a cape chain), 45 slots drawing regions and meshes (two weighted,
// one slot with a dark colour, one additive glow) from one 1024 x 1024 page of soft-edged shapes,
// about 560 units tall, and ten looping animations of 15 seconds in all.

#include <QString>
#include <string>
#include <vector>

namespace kvx::bench {

struct BenchAnimation {
    std::string name;
    double seconds;
};

const std::vector<BenchAnimation> &benchCharacterAnimations();

// Writes knight.json, knight.atlas and knight.png into the folder; returns the skeleton's path,
// empty when a file could not be written.
QString writeBenchCharacter(const QString &folder);

} // namespace kvx::bench
