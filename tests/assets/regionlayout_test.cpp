// Region geometry against the official runtimes' own mapping of a region's image onto its page
// (their mesh attachments' region UVs), for every turn. The older atlas form is shown end to end
// by the loose images' fixture.

#include "assets/regionlayout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kvx {
namespace {

struct Packed {
    int x, y, width, height, offsetX, offsetY, originalWidth, originalHeight;
};

// The texel under the centre of original pixel (ox, oy), by the runtimes' formulas: region UVs
// u right and v down over the original image, offsets up from its bottom-left corner.
PixelPoint runtimeTexel(const Packed &p, int degrees, int ox, int oy)
{
    const double u = (ox + 0.5) / p.originalWidth;
    const double v = (oy + 0.5) / p.originalHeight;
    const double strippedTop = p.originalHeight - p.offsetY - p.height;
    const double strippedRight = p.originalWidth - p.offsetX - p.width;
    double across = 0, down = 0;
    switch (degrees) {
    case 90:
        across = p.x - strippedTop + v * p.originalHeight;
        down = p.y - strippedRight + (1 - u) * p.originalWidth;
        break;
    case 180:
        across = p.x - strippedRight + (1 - u) * p.originalWidth;
        down = p.y - p.offsetY + (1 - v) * p.originalHeight;
        break;
    case 270:
        across = p.x - p.offsetY + (1 - v) * p.originalHeight;
        down = p.y - p.offsetX + u * p.originalWidth;
        break;
    default:
        across = p.x - p.offsetX + u * p.originalWidth;
        down = p.y - strippedTop + v * p.originalHeight;
    }
    return {static_cast<int32_t>(std::floor(across)), static_cast<int32_t>(std::floor(down))};
}

TEST(RegionLayout, EveryPixelComesFromTheTexelTheRuntimesDrawThere)
{
    const Packed p{5, 7, 4, 3, 2, 1, 9, 6};
    for (const int degrees : {0, 90, 180, 270}) {
        const AtlasRegion region{.name = "r", .degrees = degrees, .bounds = {p.x, p.y, p.width, p.height},
                                 .offsets = {p.offsetX, p.offsetY, p.originalWidth, p.originalHeight}};
        const Result<RegionLayout> layout = layoutRegion(region);
        ASSERT_TRUE(layout) << englishText(layout.failure());
        EXPECT_EQ(layout->width, 9);
        EXPECT_EQ(layout->height, 6);
        EXPECT_EQ(layout->content, (PixelRect{2, 2, 4, 3})) << "offsets count up from the bottom";
        const bool turned = degrees == 90 || degrees == 270;
        EXPECT_EQ(layout->footprint, (PixelRect{5, 7, turned ? 3 : 4, turned ? 4 : 3})) << degrees;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) {
                EXPECT_EQ(pageTexel(*layout, x, y), runtimeTexel(p, degrees, x + 2, y + 2))
                    << degrees << " degrees at " << x << ", " << y;
            }
        }
    }
}

TEST(RegionLayout, RefusesNumbersThatMakeNoImage)
{
    const AtlasRegion unstripped{.name = "plain", .bounds = {0, 0, 3, 2}};
    const Result<RegionLayout> plain = layoutRegion(unstripped);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->content, (PixelRect{0, 0, 3, 2})) << "no original size: nothing was stripped";
    EXPECT_TRUE(checkFootprint(*plain, 3, 2));
    EXPECT_EQ(checkFootprint(*plain, 3, 1).failure().kind, FailureKind::RegionOutsidePage);

    const struct {
        AtlasRegion region;
        FailureKind kind;
    } cases[] = {
        {{.name = "none"}, FailureKind::RegionMalformed},
        {{.name = "xy only", .xy = {0, 0}}, FailureKind::RegionMalformed},
        {{.name = "negative", .bounds = {-1, 0, 3, 2}}, FailureKind::RegionMalformed},
        {{.name = "beyond", .bounds = {0, 0, 3, 2}, .offsets = {1, 0, 3, 2}}, FailureKind::RegionMalformed},
        {{.name = "huge", .bounds = {0, 0, 1, 1}, .offsets = {0, 0, 20000, 1}}, FailureKind::RegionTooLarge},
        {{.name = "many", .bounds = {0, 0, 1, 1}, .offsets = {0, 0, 9000, 9000}}, FailureKind::RegionTooLarge},
    };
    for (const auto &c : cases) {
        const Result<RegionLayout> layout = layoutRegion(c.region);
        ASSERT_FALSE(layout) << c.region.name;
        EXPECT_EQ(layout.failure().kind, c.kind) << c.region.name;
    }
}

TEST(RegionLayout, ImagePathsKeepFoldersAndIndexesAndRefuseWhatNoSystemHolds)
{
    const struct {
        std::string name;
        std::optional<int32_t> index;
        const char *path; // null: refused
    } cases[] = {
        {"arm", std::nullopt, "arm.png"},     {"a/b", 3, "a/b_3.png"},       {"a\\b", std::nullopt, "a/b.png"},
        {"eye", -1, "eye.png"},               {"eye", 0, "eye_0.png"},       {"名前/顔", std::nullopt, "名前/顔.png"},
        {"", std::nullopt, nullptr},          {"../x", std::nullopt, nullptr}, {"/abs", std::nullopt, nullptr},
        {"a//b", std::nullopt, nullptr},      {"a/./b", std::nullopt, nullptr}, {"a:b", std::nullopt, nullptr},
        {"con", std::nullopt, nullptr},       {"x/LPT1.txt", std::nullopt, nullptr}, {"dir./x", std::nullopt, nullptr},
        {"tab\there", std::nullopt, nullptr}, {"\xff", std::nullopt, nullptr}, {"console", std::nullopt, "console.png"},
    };
    for (const auto &c : cases) {
        const Result<std::string> path = regionImagePath(AtlasRegion{.name = c.name, .index = c.index});
        if (c.path) {
            ASSERT_TRUE(path) << c.name;
            EXPECT_EQ(*path, c.path);
        } else {
            ASSERT_FALSE(path) << c.name;
            EXPECT_EQ(path.failure().kind, FailureKind::RegionNameUnusable);
        }
    }
}

} // namespace
} // namespace kvx
