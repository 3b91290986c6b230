#pragma once
// Premultiplied page texels back to straight alpha, as image files hold them.

#include <cstdint>

namespace kvx {

// 0xAARRGGBB in, 0xAARRGGBB out: each colour channel times 255 / alpha, rounded and capped at 255
// (a premultiplied channel above its alpha is malformed, not a brighter colour); alpha 0 gives 0.
uint32_t straightFromPremultiplied(uint32_t argb);

} // namespace kvx
