// The window's editor location: the stored setting first, then the install search.

#include "editor/qt/editorlocator.h"

#include "common/qt/pathtext.h"
#include "editor/editordiscovery.h"
#include "support/testfiles.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnvironment;
using test::TempFolder;

// Settings and HOME live in a temp folder; QSettings is scoped by the test application's names.
class EditorLocatorTest : public testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, toQString(home / "config"));
    }

    void store(const QString &value) { QSettings().setValue(kSpineEditorPathKey, value); }
    QString stored() const { return QSettings().value(kSpineEditorPathKey).toString(); }
    QString canonicalText(const fs::path &path) const { return toQString(fs::weakly_canonical(path)); }

    // Whatever an install in /opt/Spine on this machine contributes comes before HOME's.
    QString firstInstall() const
    {
        const PathList installed = findSpineInProgramFiles();
        return installed.empty() ? QString() : toQString(installed.front());
    }

    TempFolder home;
    ScopedEnvironment homeVariable{"HOME", home.path().string()};
    ScopedEnvironment configVariable{"XDG_CONFIG_HOME", (home / "config").string()};
};

TEST_F(EditorLocatorTest, StoredFolderHoldingTheEditorWins)
{
    const fs::path editor = home.write("tools/Spine/Spine.sh", "x");
    home.write("Spine/Spine.sh", "x");
    store(toQString(home / "tools" / "Spine"));
    EXPECT_EQ(locateSpineEditor(), canonicalText(editor));
}

TEST_F(EditorLocatorTest, StoredExeIsRunAsTheComBesideItAndStaysStoredAsPicked)
{
    const fs::path com = home.write("tools/Spine.com", "x");
    const QString picked = toQString(home / "tools" / "Spine.exe");
    store(picked);
    EXPECT_EQ(locateSpineEditor(), canonicalText(com));
    EXPECT_EQ(stored(), picked);
}

TEST_F(EditorLocatorTest, UnusableStoredPathFallsBackToTheInstallSearchAndIsKept)
{
    home.write("Spine/Spine.sh", "x");
    const QString picked = toQString(home / "gone" / "Spine.sh");
    store(picked);
    EXPECT_EQ(locateSpineEditor(), firstInstall());
    EXPECT_FALSE(locateSpineEditor().isEmpty());
    EXPECT_EQ(stored(), picked);
}

TEST_F(EditorLocatorTest, NothingStoredOrInstalledGivesTheInstallSearchResult)
{
    EXPECT_EQ(locateSpineEditor(), firstInstall());
    if (!fs::exists("/opt/Spine/Spine.sh"))
        EXPECT_TRUE(locateSpineEditor().isEmpty());
    EXPECT_FALSE(QSettings().contains(kSpineEditorPathKey)) << "locating writes nothing";
}

TEST_F(EditorLocatorTest, StoredTextFileIsAcceptedAndNonAsciiSurvives)
{
    const fs::path notes = home.write(fs::path(u8"\u7f16\u8f91\u5668 \u00fc") / "notes.txt", "x");
    store(toQString(notes));
    EXPECT_EQ(locateSpineEditor(), canonicalText(notes));
    EXPECT_TRUE(locateSpineEditor().contains(QString::fromUtf8("\u7f16\u8f91\u5668 \u00fc")));
}

} // namespace
} // namespace kvx
