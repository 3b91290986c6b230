#include "assets/straightalpha.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(StraightAlpha, DividesByAlphaRoundedAndCapped)
{
    const std::pair<uint32_t, uint32_t> cases[] = {
        {0xff102030u, 0xff102030u}, // opaque stays
        {0x00ffffffu, 0x00000000u}, // invisible colour is dropped
        {0x80402000u, 0x80804000u}, // 64 * 255 / 128 = 127.5 -> 128
        {0x01010000u, 0x01ff0000u},
        {0x40ff0000u, 0x40ff0000u}, // malformed: a channel above its alpha is capped
    };
    for (const auto &[premultiplied, straight] : cases)
        EXPECT_EQ(straightFromPremultiplied(premultiplied), straight) << std::hex << premultiplied;
}

} // namespace
} // namespace kvx
