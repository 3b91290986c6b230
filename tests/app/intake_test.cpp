// Resource intake: folders, siblings of atlases and images, suffix rules, duplicates and the
// batched warnings.

#include "support/windowfixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <random>

namespace kvx::test {
namespace {

const QString unrecognizedTitle = QStringLiteral("未识别到正确的 Spine 资产");
const QString unsupportedTitle = QStringLiteral("版本过低");

class Intake : public WindowFixture {
protected:
    QStringList listedNames()
    {
        QStringList names;
        QComboBox *combo = view().resourceList();
        for (int i = 0; i < combo->count(); ++i)
            names.append(combo->itemText(i));
        return names;
    }

    QStringList warnedNames(const QString &title) const
    {
        const std::vector<ShownMessage> shown = messagesTitled(title);
        if (shown.empty())
            return {};
        const QString text = shown.front().text;
        return text.mid(text.indexOf(QStringLiteral("\n\n")) + 2).split(QLatin1Char('\n'));
    }
};

TEST_F(Intake, AFolderListsEverySupportedSkeletonBelowIt)
{
    files.write("drop/hero.json", skeletonJson("4.2.43"));
    files.write("drop/sub/goblin.skel", skeletonBinary("4.1.24"));
    files.write("drop/sub/deeper/dragon.skel.bytes", skeletonBinary("3.8.99"));
    files.write("drop/sub/deeper/notes.txt", "not looked at");
    dropPaths({files / "drop"});

    QStringList names = listedNames();
    names.sort();
    EXPECT_EQ(names, QStringList({"dragon.skel", "goblin", "hero"}));
    EXPECT_EQ(window->listedPaths().size(), 3);
    EXPECT_FALSE(view().resourceList()->isHidden());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Intake, EntriesCarryTheFullPathAndTheLastOneListedIsCurrent)
{
    const auto first = files.write("a/one.json", skeletonJson("4.2"));
    const auto second = files.write("b/two.skel.bytes", skeletonBinary("4.0.64"));
    dropPaths({first, second});

    QComboBox *list = view().resourceList();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(1), QStringLiteral("two.skel"));
    EXPECT_EQ(list->itemData(0, Qt::UserRole).toString(), qpath(first));
    EXPECT_EQ(list->itemData(1, Qt::UserRole).toString(), qpath(second));
    EXPECT_EQ(window->listedPaths(), QStringList({qpath(first), qpath(second)}));
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(view().currentPath(), qpath(second));
}

TEST_F(Intake, NonSpineAndUnreadableFilesShareOneWarning)
{
    files.write("drop/hero.json", skeletonJson("4.2.43"));
    files.write("drop/package.json", "{ \"name\": \"web-app\", \"version\": \"1.0.0\" }");
    files.write("drop/sub/package.json", "{ \"dependencies\": {} }");
    files.write("drop/broken.skel", std::string("\x00\x00\x00garbage", 10));
    const auto locked = files.write("drop/locked.json", skeletonJson("4.2"));
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    const bool lockedIsUnreadable = !std::ifstream(locked).is_open(); // not so for root
    dropPaths({files / "drop", files / "missing.skel"});

    ASSERT_EQ(messagesTitled(unrecognizedTitle).size(), 1u);
    const ShownMessage warning = messagesTitled(unrecognizedTitle).front();
    EXPECT_EQ(warning.icon, QMessageBox::Warning);
    EXPECT_TRUE(warning.text.startsWith(QStringLiteral("以下文件未能识别为有效的 Spine 资产：\n\n")));
    QStringList names = warnedNames(unrecognizedTitle);
    names.sort();
    QStringList expected{"broken.skel", "missing.skel", "package.json"};
    if (lockedIsUnreadable)
        expected.append("locked.json");
    expected.sort();
    EXPECT_EQ(names, expected); // package.json twice on disk, once in the warning
    EXPECT_TRUE(messagesTitled(unsupportedTitle).empty());

    // The next drop's warning names its own files only.
    messages.clear();
    dropPaths({files.write("later/notes.json", "[]")});
    EXPECT_EQ(warnedNames(unrecognizedTitle), QStringList({"notes.json"}));
}

TEST_F(Intake, UnsupportedVersionsShareOneWarningWithTheirVersions)
{
    files.write("old/hero.json", skeletonJson("3.7.94"));
    files.write("new/hero.json", skeletonJson("4.4.1"));
    files.write("other/legacy.skel", skeletonBinary("3.8.19"));
    dropPaths({files / "old" / "hero.json", files / "new" / "hero.json", files / "other"});

    ASSERT_EQ(messagesTitled(unsupportedTitle).size(), 1u);
    const ShownMessage warning = messagesTitled(unsupportedTitle).front();
    EXPECT_EQ(warning.text,
              QStringLiteral("以下资源的 Spine 版本不在支持的范围内（支持的版本：3.8、4.0、4.1、4.2、4.3）：\n\n"
                             "hero.json（版本 3.7.94）\nhero.json（版本 4.4.1）\nlegacy.skel（版本 3.8.19）"));
    EXPECT_EQ(view().resourceList()->count(), 0);
    EXPECT_TRUE(view().resourceList()->isHidden());
}


TEST_F(Intake, BothKindsOfProblemsOpenOneDialogEach)
{
    files.write("drop/package.json", "{}");
    files.write("drop/old.json", skeletonJson("3.7.94"));
    files.write("drop/other.json", "[1, 2, 3]");
    dropPaths({files / "drop"});
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(messagesTitled(unrecognizedTitle).size(), 1u);
    EXPECT_EQ(messagesTitled(unsupportedTitle).size(), 1u);
}


TEST_F(Intake, AnAtlasOrImageListsItsSiblingsSilently)
{
    files.write("export/hero.atlas", atlasText({"hero.png"}));
    files.write("export/hero.png", "png");
    files.write("export/hero.json", skeletonJson("4.2.43"));
    files.write("export/goblin.skel", skeletonBinary("4.2.11"));
    files.write("export/package.json", "{}");
    files.write("export/old.json", skeletonJson("3.7.94"));
    files.write("export/sub/nested.json", skeletonJson("4.2.43"));

    dropPaths({files / "export" / "hero.atlas"});
    QStringList names = listedNames();
    names.sort();
    EXPECT_EQ(names, QStringList({"goblin", "hero"}));
    EXPECT_TRUE(messages.empty());

    dropPaths({files / "export" / "hero.png"});
    EXPECT_EQ(view().resourceList()->count(), 2);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Intake, SkeletonSuffixesIgnoreCase)
{
    const auto upperJson = files.write("a/Hero.JSON", skeletonJson("4.2"));
    const auto upperSkel = files.write("b/HERO.SKEL", "not a skeleton at all, nothing here");
    const auto upperBytes = files.write("c/Dragon.SKEL.Bytes", skeletonBinary("4.1.1"));
    dropPaths({upperJson, upperSkel, upperBytes});
    EXPECT_EQ(listedNames(), QStringList({"Hero", "Dragon.SKEL"}));
    // Taken as a skeleton directly, so its problem is reported.
    EXPECT_EQ(warnedNames(unrecognizedTitle), QStringList({"HERO.SKEL"}));
}

TEST_F(Intake, ADottedSkelBytesNameIsFoundOnlyByTheSilentScan)
{
    const auto supported = files.write("a/hero.final.skel.bytes", skeletonBinary("4.2.1"));
    const auto unsupported = files.write("b/old.final.skel.bytes", skeletonBinary("3.7.94"));
    dropPaths({supported, unsupported});
    EXPECT_EQ(listedNames(), QStringList({"hero.final.skel"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Intake, TheSamePathTwiceIsListedOnceButStillEvaluated)
{
    const auto hero = files.write("a/hero.json", skeletonJson("4.2"));
    const auto goblin = files.write("b/goblin.json", skeletonJson("4.2"));
    dropPaths({hero, goblin});
    const int runs = window->readiness().runCount();
    dropPaths({hero});
    EXPECT_EQ(view().resourceList()->count(), 2);
    EXPECT_EQ(view().resourceList()->currentIndex(), 1); // selection unchanged
    EXPECT_EQ(window->readiness().runCount(), runs + 1);
}


TEST_F(Intake, DropsAcceptUrlsAndSkipNonLocalOnes)
{
    QMimeData withUrls;
    withUrls.setUrls({QUrl(QStringLiteral("https://example.com/hero.json"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &withUrls, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());

    QMimeData textOnly;
    textOnly.setText(QStringLiteral("hero.json"));
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &textOnly, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());

    const auto hero = files.write("a/hero.json", skeletonJson("4.2"));
    QMimeData mixed;
    mixed.setUrls({QUrl(QStringLiteral("https://example.com/hero.json")), QUrl::fromLocalFile(qpath(hero))});
    EXPECT_TRUE(sendDrop(mixed));
    settleIntake();
    EXPECT_EQ(listedNames(), QStringList({"hero"}));

    QMimeData webOnly;
    webOnly.setUrls({QUrl(QStringLiteral("https://example.com/goblin.json"))});
    EXPECT_TRUE(sendDrop(webOnly));
    settleIntake();
    EXPECT_EQ(view().resourceList()->count(), 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Intake, TheFileDialogTakesAtlasesLikeADrop)
{
    files.write("export/hero.json", skeletonJson("4.2"));
    files.write("export/hero.atlas", atlasText({"hero.png"}));
    resourceAnswer = {qpath(files / "export" / "hero.atlas")};
    view().chooseButton()->click();
    settleIntake();
    EXPECT_EQ(listedNames(), QStringList({"hero"}));

    resourceAnswer.clear(); // cancelled
    const int runs = window->readiness().runCount();
    view().chooseButton()->click();
    settleIntake();
    EXPECT_EQ(view().resourceList()->count(), 1);
    EXPECT_EQ(window->readiness().runCount(), runs);
}

TEST_F(Intake, MissingPathsWithoutSkeletonSuffixAreSilent)
{
    add(files / "nowhere" / "hero.atlas");
    add(files / "nowhere");
    add(std::filesystem::path());
    EXPECT_EQ(view().resourceList()->count(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Intake, AnyBytesOfAnySizeNeverBreakIntake)
{
    std::mt19937 random(20240611);
    for (int i = 0; i < 45; ++i) { // few enough for one warning to name every problem file
        std::string bytes(static_cast<size_t>(random() % 5000), '\0');
        for (char &byte : bytes)
            byte = static_cast<char>(random());
        if (i % 3 == 0)
            bytes.insert(0, "{ \"bones\": [], \"spine\": \"");
        const char *suffix = i % 3 == 0 ? ".json" : i % 3 == 1 ? ".skel" : ".skel.bytes";
        files.write("noise/file" + std::to_string(i) + suffix, bytes);
    }
    std::string large(3 * 1024 * 1024, ' ');
    large += "{\"skeleton\":{\"spine\":\"4.2.1\"},\"bones\":[]}";
    files.write("noise/large.json", large);
    files.write("noise/empty.skel", "");
    std::filesystem::create_directories(files / "noise" / "folder.json");
    makeFifo(files / "noise" / "pipe.json"); // opening it would block intake; reported either way

    dropPaths({files / "noise", files / "noise" / "pipe.json", files / "noise" / "folder.json"});
    EXPECT_LE(messagesTitled(unrecognizedTitle).size(), 1u);
    EXPECT_TRUE(warnedNames(unrecognizedTitle).contains(QStringLiteral("pipe.json")));
    EXPECT_TRUE(warnedNames(unrecognizedTitle).contains(QStringLiteral("empty.skel")));
    EXPECT_FALSE(warnedNames(unrecognizedTitle).contains(QStringLiteral("folder.json")));
}

} // namespace
} // namespace kvx::test
