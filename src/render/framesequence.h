#pragma once
// Which frames an animation's output holds: n = max(1, round(duration × fps)) frames, frame i at
// i / fps seconds, the loop point not repeated (a looping file shows frame 0 again after n − 1).

#include <cstdint>

namespace kvx {

// The most frames one output may hold: more is refused before any frame is rendered.
inline constexpr int64_t kMaxFramesPerOutput = 100000;

// Saturates far above kMaxFramesPerOutput for durations that are not finite or absurdly long;
// negative durations count as 0.
int64_t animationFrameCount(double durationSeconds, int fps);

} // namespace kvx
