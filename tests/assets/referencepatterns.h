#pragma once
// The JSON head patterns run through std::regex, as a reference for the hand-written matchers.
// Only for small inputs: the backtracking matcher recurses once per character.

#include "assets/versiondetection.h"

#include <string_view>

namespace kvx::test {

// Detection of a head that starts with "{" (the JSON reader), decided by the patterns themselves.
VersionDetection referenceJsonDetection(std::string_view head);

} // namespace kvx::test
