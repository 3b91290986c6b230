#include "assets/atlasreader.h"

#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

namespace kvx {
namespace {

using namespace std::string_view_literals;
using Ints = std::vector<int32_t>;

AtlasReadResult parseOk(std::string_view text)
{
    AtlasReadResult result = parseAtlasText(text);
    EXPECT_TRUE(result.ok) << result.error << " at line " << result.errorLine;
    EXPECT_TRUE(result.error.empty());
    EXPECT_EQ(result.errorLine, 0);
    return result;
}

void expectFailure(const AtlasReadResult &result, const char *error, int64_t line)
{
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, error);
    EXPECT_EQ(result.errorLine, line);
    EXPECT_TRUE(result.pages.empty());
    EXPECT_TRUE(result.warnings.empty());
}

TEST(AtlasReader, ReadsTheNewerLayout)
{
    const AtlasReadResult atlas = parseOk("hero.png\n"
                                          "size: 256,128\n"
                                          "filter: Linear,Linear\n"
                                          "pma: true\n"
                                          "scale: 0.5\n"
                                          "head\n"
                                          "bounds: 2,2,60,60\n"
                                          "arm\n"
                                          "bounds: 64,2,18,62\n"
                                          "offsets: 1,2,20,64\n"
                                          "rotate: 90\n");
    ASSERT_EQ(atlas.pages.size(), 1u);
    const AtlasPage &page = atlas.pages[0];
    EXPECT_EQ(page.name, std::filesystem::path("hero.png"));
    EXPECT_EQ(page.rawName, "hero.png");
    EXPECT_EQ(page.size, (Ints{256, 128}));
    EXPECT_EQ(page.filter, "Linear,Linear");
    EXPECT_EQ(page.pma, true);
    EXPECT_EQ(page.scale, 0.5);
    ASSERT_EQ(page.regions.size(), 2u);
    EXPECT_EQ(page.regions[0].name, "head");
    EXPECT_EQ(page.regions[0].bounds, (Ints{2, 2, 60, 60}));
    EXPECT_FALSE(page.regions[0].rotate);
    EXPECT_EQ(page.regions[1].offsets, (Ints{1, 2, 20, 64}));
    EXPECT_TRUE(page.regions[1].rotate);
    EXPECT_TRUE(atlas.warnings.empty());
}

TEST(AtlasReader, ReadsTheOlderLayoutWithIndentationAndSeveralPages)
{
    const AtlasReadResult atlas = parseOk("\n"
                                          "hero.png\n"
                                          "size: 1024, 512\n"
                                          "format: RGBA8888\n"
                                          "filter: Linear, Linear\n"
                                          "repeat: none\n"
                                          "head\n"
                                          "  rotate: false\n"
                                          "  xy: 2, 2\n"
                                          "  size: 60, 60\n"
                                          "  orig: 64, 64\n"
                                          "  offset: 2, 2\n"
                                          "  split: 1, 2, 3, 4\n"
                                          "  pad: 0, 0, 0, 0\n"
                                          "  index: -1\n"
                                          "\n\n"
                                          "  images/hero2.png  \n"
                                          "size: 64,64\n"
                                          "leg\n"
                                          "  rotate: true\n"
                                          "  xy: 0, 0");
    ASSERT_EQ(atlas.pages.size(), 2u);
    const AtlasPage &first = atlas.pages[0];
    EXPECT_EQ(first.format, "RGBA8888");
    EXPECT_EQ(first.filter, "Linear, Linear");
    EXPECT_EQ(first.repeat, "none");
    EXPECT_FALSE(first.pma.has_value());
    EXPECT_FALSE(first.scale.has_value());
    const AtlasRegion &head = first.regions.at(0);
    EXPECT_EQ(head.xy, (Ints{2, 2}));
    EXPECT_EQ(head.size, (Ints{60, 60}));
    EXPECT_EQ(head.orig, (Ints{64, 64}));
    EXPECT_EQ(head.offsets, (Ints{2, 2}));
    EXPECT_EQ(head.split, (Ints{1, 2, 3, 4}));
    EXPECT_EQ(head.pad, (Ints{0, 0, 0, 0}));
    EXPECT_EQ(head.index, -1);
    EXPECT_EQ(atlas.pages[1].rawName, "images/hero2.png");
    EXPECT_EQ(atlas.pages[1].name, std::filesystem::path("images/hero2.png"));
    EXPECT_TRUE(atlas.pages[1].regions.at(0).rotate);
    EXPECT_EQ(atlas.pages[1].regions.at(0).xy, (Ints{0, 0}));
}

TEST(AtlasReader, HandlesWindowsLineEndings)
{
    const AtlasReadResult atlas = parseOk("\r\nhero.png\r\nsize: 8,8\r\nhead\r\nbounds: 0,0,8,8\r\n\r\nb.png\r\n");
    ASSERT_EQ(atlas.pages.size(), 2u);
    EXPECT_EQ(atlas.pages[0].rawName, "hero.png");
    EXPECT_EQ(atlas.pages[0].size, (Ints{8, 8}));
    EXPECT_EQ(atlas.pages[0].regions.at(0).bounds, (Ints{0, 0, 8, 8}));
    EXPECT_EQ(atlas.pages[1].rawName, "b.png");
}

TEST(AtlasReader, TellsPageKeysFromRegionKeysByPosition)
{
    const AtlasReadResult atlas = parseOk("a.png\n"
                                          "size: 1024, 1024\n"
                                          "first\n"
                                          "second\n"
                                          "size: 10, 20\n"
                                          "pma: true\n"
                                          "mystery: 1\n"
                                          "\n"
                                          "b.png\n"
                                          "pma: true\n"
                                          "region\n"
                                          "size: 5, 5\n");
    const AtlasPage &a = atlas.pages.at(0);
    EXPECT_EQ(a.size, (Ints{1024, 1024}));
    EXPECT_FALSE(a.pma.has_value());
    ASSERT_EQ(a.regions.size(), 2u);
    EXPECT_TRUE(a.regions[0].size.empty());
    EXPECT_EQ(a.regions[1].size, (Ints{10, 20}));
    EXPECT_TRUE(atlas.pages.at(1).size.empty());
    EXPECT_EQ(atlas.pages.at(1).pma, true);
    EXPECT_TRUE(atlas.warnings.empty());
}

TEST(AtlasReader, WarnsAboutUnknownPageKeysWithTheirLine)
{
    const AtlasReadResult atlas = parseOk("\na.png\nbogus: 1\nSize: 2,2\nsize: 3,3\nr\nbogus: 2\n");
    EXPECT_EQ(atlas.warnings, (std::vector<std::string>{"Unknown page property at line 3",
                                                         "Unknown page property at line 4"}));
    EXPECT_EQ(atlas.pages.at(0).size, (Ints{3, 3}));
}

TEST(AtlasReader, AppliesTheValueRulesOfEachKey)
{
    const auto page = [](std::string_view keys) { return parseOk("p.png\n" + std::string(keys)).pages.at(0); };
    EXPECT_EQ(page("pma: TRUE").pma, false);
    EXPECT_EQ(page("pma: yes").pma, false); // only "true", as the runtimes read it
    EXPECT_EQ(page("pma: 1").pma, false);
    EXPECT_EQ(page("pma:").pma, false);
    EXPECT_EQ(page("size: 1024.5, 512").size, Ints{});
    EXPECT_EQ(page("size: 1, 2\nsize: x").size, Ints{});
    EXPECT_EQ(page("format: a: b ").format, "a: b");

    const auto region = [](std::string_view keys) {
        return parseOk("p.png\nr\n" + std::string(keys)).pages.at(0).regions.at(0);
    };
    for (const char *value : {"true", "yes", "1", "90", "270"})
        EXPECT_TRUE(region(std::string("rotate: ") + value).rotate) << value;
    for (const char *value : {"false", "TRUE", "180", "0", "", "90.0"})
        EXPECT_FALSE(region(std::string("rotate: ") + value).rotate) << value;
    EXPECT_FALSE(region("rotate: true\nrotate: false").rotate);
    const std::pair<const char *, int32_t> turns[] = {{"true", 90}, {"90", 90}, {"180", 180}, {"270", 270},
                                                      {"false", 0}, {"45", 0},  {"-90", 0},   {"", 0}};
    for (const auto &[value, degrees] : turns)
        EXPECT_EQ(region(std::string("rotate: ") + value).degrees, degrees) << value;
    EXPECT_EQ(region("index: 3").index, 3);
    EXPECT_EQ(region("index: 4, 5").index, 4);
    EXPECT_EQ(region("index: 2\nindex: x").index, 2);
    EXPECT_EQ(region("index: 2\nindex:").index, 2);
    EXPECT_FALSE(region("index: 1.5").index.has_value());
    EXPECT_EQ(region("offset: 1, 2\noffsets: 3, 4, 5, 6").offsets, (Ints{3, 4, 5, 6}));
    EXPECT_EQ(region("bounds: 1,2,3,4\nbounds: 1,2,3,+4").bounds, Ints{});
    EXPECT_EQ(region("xy: 1,\nunknown: 7").xy, (Ints{1}));
}

TEST(AtlasReader, ReadsScaleAsTheCLibraryDoesInTheCLocale)
{
    const auto scale = [](std::string_view value) {
        return parseOk("p.png\nscale: " + std::string(value)).pages.at(0).scale;
    };
    EXPECT_EQ(scale("0.5"), 0.5);
    EXPECT_EQ(scale("0.5abc"), 0.5);
    EXPECT_EQ(scale("+2"), 2.0);
    EXPECT_EQ(scale("-.25e1x"), -2.5);
    EXPECT_EQ(scale("1e"), 1.0);
    EXPECT_EQ(scale("3E+1"), 30.0);
    EXPECT_EQ(scale("5."), 5.0);
    EXPECT_EQ(scale("0x1p-1"), 0.5);
    EXPECT_EQ(scale("0x.8"), 0.5);
    EXPECT_EQ(scale("0x"), 0.0);
    EXPECT_EQ(scale("0,75"), 0.0);
    EXPECT_TRUE(std::isinf(*scale("Infinity")));
    EXPECT_TRUE(std::isnan(*scale("nan(1)")));
    for (const char *value : {"abc", "", ".", "-", "+.e1", "1e999", "-1e999", "1e-400", "1e-310", "x0.5"})
        EXPECT_FALSE(scale(value).has_value()) << value;
    EXPECT_FALSE(parseOk("p.png\nscale: 2\nscale: huge").pages.at(0).scale.has_value());
}

TEST(AtlasReader, FailsOnPropertiesWithoutAPage)
{
    expectFailure(parseAtlasText("size: 1,1\n"), "Atlas property appears before a page name.", 1);
    expectFailure(parseAtlasText("a.png\nr1\nbounds: 0,0,1,1\n\n  bounds: 1,1,1,1\n"),
                  "Atlas property appears before a page name.", 5);
    expectFailure(parseAtlasText("\n\n\n:\n"), "Atlas property appears before a page name.", 4);
}

TEST(AtlasReader, FailsWithoutPages)
{
    expectFailure(parseAtlasText(""), "Atlas does not contain any pages.", 0);
    expectFailure(parseAtlasText("\n \r\n\t\n"), "Atlas does not contain any pages.", 0);
}

TEST(AtlasReader, FailsOnAPageNameThatCannotBecomeAPath)
{
    expectFailure(parseAtlasText("a.png\n\nb\0c.png\nsize: 1,1\n"sv), "Atlas page name cannot be converted to a path.",
                  3);
    // A zero byte inside a region name is just a byte.
    EXPECT_TRUE(parseAtlasText("a.png\nr\0x\n"sv).ok);
}

TEST(AtlasReader, KeepsThePageNameBytesAsTheyAre)
{
    // Legacy code-page bytes: the path on POSIX; on Windows they may be invalid in the code page.
    const std::string bytes = "\xC4\xE3\xBA\xC3.png";
    const AtlasReadResult atlas = parseAtlasText(bytes + "\n");
    if constexpr (std::is_same_v<std::filesystem::path::value_type, char>) {
        ASSERT_TRUE(atlas.ok);
        EXPECT_EQ(atlas.pages.at(0).name.native(), bytes);
    }
    if (!atlas.ok) {
        expectFailure(atlas, "Atlas page name cannot be converted to a path.", 1);
        return;
    }
    EXPECT_EQ(atlas.pages.at(0).rawName, bytes);
}

TEST(ParseIntList, SplitsAtCommasLikeSuccessiveReads)
{
    EXPECT_EQ(parseIntList("1024, 512"), (Ints{1024, 512}));
    EXPECT_EQ(parseIntList("2,2"), (Ints{2, 2}));
    EXPECT_EQ(parseIntList("-1"), (Ints{-1}));
    EXPECT_EQ(parseIntList(""), Ints{});
    EXPECT_EQ(parseIntList("7,"), (Ints{7}));
    EXPECT_EQ(parseIntList(" 7 ,\t-0 "), (Ints{7, 0}));
    EXPECT_EQ(parseIntList("-2147483648,2147483647"), (Ints{-2147483647 - 1, 2147483647}));
    for (const char *text : {"1024.5, 512", ",1", "1,,2", ",", " ", "+1", "1 2", "0x10", "2147483648", "-", "--1",
                             "1,a", "1,2, ,"})
        EXPECT_FALSE(parseIntList(text).has_value()) << '"' << text << '"';
}

TEST(ReadAtlasFile, ReadsAFileWithANonAsciiName)
{
    test::TempFolder folder;
    const auto path = folder.write(std::filesystem::path(u8"图集") / u8"英雄.atlas", "hero.png\nsize: 4,4\nr\n");
    const AtlasReadResult atlas = readAtlasFile(path);
    ASSERT_TRUE(atlas.ok) << atlas.error;
    EXPECT_EQ(atlas.pages.at(0).regions.at(0).name, "r");
}

TEST(ReadAtlasFile, ReportsUnreadableAndOversizedFiles)
{
    test::TempFolder folder;
    expectFailure(readAtlasFile(folder / "missing.atlas"), "Atlas file could not be opened.", 0);
    std::filesystem::create_directories(folder / "dir.atlas");
    expectFailure(readAtlasFile(folder / "dir.atlas"), "Atlas file could not be opened.", 0);
    expectFailure(readAtlasFile(folder.write("empty.atlas", "")), "Atlas does not contain any pages.", 0);
    const auto huge = folder.write("huge.atlas", "hero.png\n");
    std::filesystem::resize_file(huge, 1ull << 30);
    expectFailure(readAtlasFile(huge), "Atlas file is too large.", 0);
}

} // namespace
} // namespace kvx
