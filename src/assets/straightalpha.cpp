#include "assets/straightalpha.h"

#include <algorithm>

namespace kvx {

uint32_t straightFromPremultiplied(uint32_t argb)
{
    const uint32_t alpha = argb >> 24;
    if (alpha == 255)
        return argb;
    if (alpha == 0)
        return 0;
    uint32_t result = alpha << 24;
    for (const int shift : {16, 8, 0}) {
        const uint32_t channel = (argb >> shift) & 0xff;
        result |= std::min<uint32_t>(255, (channel * 255 + alpha / 2) / alpha) << shift;
    }
    return result;
}

} // namespace kvx
