// The one rule for names Kovexa gives files: refused as it is (region images) or made to fit
// (rendered outputs), on the same judgement.

#include "common/portablenames.h"

#include <gtest/gtest.h>

#include <string>

namespace kvx {
namespace {

TEST(PortableNames, AreMadeToFitEverySystemPartByPart)
{
    const struct {
        std::string name;
        std::string portable;
        bool acceptedAsIs;
    } cases[] = {
        {"idle", "idle", true},
        {"face/blink", "face/blink", true},
        {"face\\blink", "face/blink", true},
        {"a:b*c?", "a_b_c_", false},
        {"walk.", "walk_", false},
        {"walk ", "walk_", false},
        {"..", "__", false},
        {"/lead//trail/", "lead/trail", false},
        {"con", "con_", false},
        {"LPT1.txt", "LPT1_.txt", false},
        {"tab\there", "tab_here", false},
        {"\xff\xfe", "\xEF\xBF\xBD\xEF\xBF\xBD", false},
        {"", "_", false},
        {std::string(300, 'x'), std::string(kMaxPortablePartBytes, 'x'), true},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(portablePath(c.name), c.portable) << c.name;
        EXPECT_EQ(checkedPortablePath(c.name).has_value(), c.acceptedAsIs) << c.name;
        // What was made portable passes the rule.
        EXPECT_TRUE(checkedPortablePath(portablePath(c.name))) << c.name;
    }
    EXPECT_EQ(portableNamePart("face/blink"), "face_blink");
    // A cut never splits a character: 101 two-byte characters keep 100.
    std::string wide;
    for (int i = 0; i < 101; ++i)
        wide += "\xC3\xA9";
    EXPECT_EQ(portablePath(wide).size(), kMaxPortablePartBytes);
}

} // namespace
} // namespace kvx
