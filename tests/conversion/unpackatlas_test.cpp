// The atlas copy handed to the unpacker when premultiplied pages are to be kept as stored.

#include "conversion/qt/conversionjob.h"
#include "conversion/conversionsandbox.h"
#include "conversion/jobrecorder.h"

#include <QDir>
#include <fstream>
#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ConversionSandbox;
using test::JobRecorder;
using test::ScopedEnvironment;

class UnpackAtlasTest : public ::testing::Test {
protected:
    // The copy as the unpacker saw it: the unpacker fails, so the working folder is still there.
    std::string unpackCopyOf(const std::string &atlas)
    {
        box.writeAtlas(atlas);
        ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("1"));
        JobRecorder recorder(box, false);
        recorder.run();
        EXPECT_TRUE(recorder.report.error.startsWith("官方图集解包失败")) << recorder.report.error.toStdString();
        const fs::path copy = recorder.job->workingDirectory().toStdString() + "/unpack.atlas";
        EXPECT_TRUE(fs::exists(copy));
        return test::readFileBytes(copy);
    }

    ConversionSandbox box;
};

TEST_F(UnpackAtlasTest, EveryTruePmaLineBecomesFalseAndNothingElseChanges)
{
    const std::string atlas = "\nhero.png\nsize: 8, 8\npma: true\nbody\nbounds: 0, 0, 4, 2\n\n"
                              "hero_2.png\nsize: 4, 4\npma: true\nhead\nbounds: 0, 0, 2, 2\n";
    std::string expected = atlas;
    expected.replace(expected.find("pma: true"), 9, "pma: false");
    expected.replace(expected.find("pma: true"), 9, "pma: false");
    EXPECT_EQ(unpackCopyOf(atlas), expected);
}

TEST_F(UnpackAtlasTest, OnlyTheValueOfPmaTrueLinesChanges)
{
    const std::pair<std::string, std::string> cases[] = {
        {"hero.png\nsize: 8, 8\nbody\nbounds: 0, 0, 4, 2\n", "hero.png\nsize: 8, 8\nbody\nbounds: 0, 0, 4, 2\n"},
        {"hero.png\npma:true\nbody\n", "hero.png\npma:false\nbody\n"},
        {"hero.png\n\t  pma :\ttrue  \t\nbody\n", "hero.png\n\t  pma :\tfalse  \t\nbody\n"},
        {"hero.png\r\nsize: 8, 8\r\npma: true\r\nbody\r\n", "hero.png\r\nsize: 8, 8\r\npma: false\r\nbody\r\n"},
        {"hero.png\nbody\n\nhero_2.png\npma: true", "hero.png\nbody\n\nhero_2.png\npma: false"},
    };
    for (const auto &[atlas, expected] : cases)
        EXPECT_EQ(unpackCopyOf(atlas), expected);
}

TEST_F(UnpackAtlasTest, OtherValuesKeysAndLinesAreLeftAlone)
{
    const std::string atlas = "hero.png\npma: True\nxpma: true\npma: true # note\npma: truely\n"
                              "pma: TRUE\npma true\nbody\nbounds: 0, 0, 4, 2\npma: false\n";
    EXPECT_EQ(unpackCopyOf(atlas), atlas);
}

TEST_F(UnpackAtlasTest, PageNamesInALegacyCodePageKeepTheirBytes)
{
    const std::string gbkName = "\xd3\xa2\xd0\xdb.png"; // a GBK page name, not valid UTF-8
    const std::string atlas = gbkName + "\npma: true\nbody\nbounds: 0, 0, 4, 2\n";
    std::string expected = atlas;
    expected.replace(expected.find("true"), 4, "false");
    EXPECT_EQ(unpackCopyOf(atlas), expected);
}

TEST_F(UnpackAtlasTest, OptionOnWritesNoCopy)
{
    ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("1"));
    JobRecorder recorder(box, true);
    recorder.run();
    const QDir working(recorder.job->workingDirectory());
    EXPECT_TRUE(working.exists());
    EXPECT_EQ(working.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"images"});
    EXPECT_NE(test::readFileBytes(box.log()).find(box.atlas().string()), std::string::npos);
}

TEST_F(UnpackAtlasTest, CopyIsGoneBeforeTheImporterStarts)
{
    ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("1"));
    ScopedEnvironment stage("KVX_STANDIN_FAIL_STAGE", std::string("import"));
    JobRecorder recorder(box, false);
    recorder.run();
    EXPECT_TRUE(recorder.report.error.startsWith("Spine 工程导入失败")) << recorder.report.error.toStdString();
    const QDir working(recorder.job->workingDirectory());
    EXPECT_EQ(working.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"images"});
    EXPECT_TRUE(QDir(working.filePath("images/face")).exists()); // images in a sub-folder count too
}

// The unpacker's exit is only seen through the event loop, so a file written right after start()
// is there when the job looks at the images folder.
class UnpackedImagesTest : public UnpackAtlasTest {
protected:
    test::JobReport runWithUnpackerOutput(const std::string &relative)
    {
        ScopedEnvironment noImages("KVX_STANDIN_NO_IMAGES", std::string("1"));
        JobRecorder recorder(box, false);
        recorder.job->start();
        const fs::path images = recorder.job->workingDirectory().toStdString() + "/images";
        fs::create_directories((images / relative).parent_path());
        std::ofstream(images / relative) << "image";
        test::waitFor([&] { return recorder.report.count > 0; });
        return recorder.report;
    }
};

TEST_F(UnpackedImagesTest, ImageInANestedFolderCounts)
{
    EXPECT_TRUE(runWithUnpackerOutput("deep/er/part.webp").success);
    EXPECT_TRUE(fs::exists(box.output() / "hero/images/deep/er/part.webp"));
}

TEST_F(UnpackedImagesTest, EveryImageSuffixCounts)
{
    for (const char *name : {"a.png", "b.jpg", "c.jpeg", "d.webp"})
        EXPECT_TRUE(runWithUnpackerOutput(name).success) << name;
}

TEST_F(UnpackedImagesTest, OtherFormatsAndFoldersNamedLikeImagesDoNot)
{
    for (const char *name : {"a.gif", "sub/b.tga", "c.png.txt"})
        EXPECT_EQ(runWithUnpackerOutput(name).error, "官方图集解包未生成任何图片。") << name;
    EXPECT_EQ(runWithUnpackerOutput("folder.png/readme").error, "官方图集解包未生成任何图片。");
}

} // namespace
} // namespace kvx
