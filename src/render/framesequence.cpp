#include "render/framesequence.h"

#include <algorithm>
#include <cmath>

namespace kvx {

int64_t animationFrameCount(double durationSeconds, int fps)
{
    constexpr double kBeyondAnyLimit = 1e12;
    if (std::isnan(durationSeconds))
        return int64_t(kBeyondAnyLimit);
    const double frames = std::round(std::max(durationSeconds, 0.0) * std::max(fps, 1));
    if (!(frames < kBeyondAnyLimit))
        return int64_t(kBeyondAnyLimit);
    return std::max<int64_t>(1, int64_t(frames));
}

} // namespace kvx
