// Labels and lists that cut a long text with "…" instead of widening the window, and give the
// full text on hover.

#include "app/elidedcombobox.h"
#include "app/elidedlabel.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

const QString kLong = QStringLiteral("a_texture_page_with_a_name_much_longer_than_the_label_is_wide.png");

TEST(ElidedLabel, ATextThatFitsIsShownWholeWithItsOwnTip)
{
    ElidedLabel label;
    label.setText(QStringLiteral("short"));
    label.setToolTip(QStringLiteral("details"));
    label.resize(400, 30);
    EXPECT_FALSE(label.isElided());
    EXPECT_EQ(label.shownText(), QStringLiteral("short"));
    EXPECT_EQ(label.hoverText(), QStringLiteral("details"));
}

TEST(ElidedLabel, ACutTextPutsTheFullTextAboveItsOwnTip)
{
    ElidedLabel label;
    label.setText(kLong);
    label.resize(120, 30);
    ASSERT_TRUE(label.isElided());
    EXPECT_TRUE(label.shownText().endsWith(QStringLiteral("…")));
    EXPECT_LE(label.fontMetrics().horizontalAdvance(label.shownText()), 120);
    EXPECT_EQ(label.hoverText(), kLong);
    label.setToolTip(QStringLiteral("details"));
    EXPECT_EQ(label.hoverText(), kLong + QStringLiteral("\ndetails"));
    EXPECT_EQ(label.text(), kLong) << "the text itself is kept";
}

TEST(ElidedLabel, ALongTextDoesNotRaiseTheMinimumWidth)
{
    ElidedLabel label;
    label.setText(QStringLiteral("x"));
    const int least = label.minimumSizeHint().width();
    label.setText(kLong);
    EXPECT_LE(label.minimumSizeHint().width(), std::max(least, label.fontMetrics().horizontalAdvance(QStringLiteral("…"))));
    EXPECT_GT(label.sizeHint().width(), label.minimumSizeHint().width()) << "it still prefers the whole text";
}

TEST(ElidedComboBox, ALongEntryIsCutAndDoesNotWidenTheBox)
{
    ElidedComboBox list;
    list.addItem(QStringLiteral("x"));
    const int least = list.minimumSizeHint().width();
    list.addItem(kLong);
    list.setCurrentIndex(1);
    EXPECT_EQ(list.minimumSizeHint().width(), least);
    list.resize(160, 36);
    EXPECT_TRUE(list.shownText().endsWith(QStringLiteral("…")));
    EXPECT_TRUE(kLong.startsWith(list.shownText().chopped(1)));
    EXPECT_EQ(list.currentText(), kLong);
    list.resize(2000, 36);
    EXPECT_EQ(list.shownText(), kLong);
}

} // namespace
} // namespace kvx
