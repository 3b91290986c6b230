// The bundled sample export: recognised, complete, and consistent between skeleton, atlas and page.

#include "assets/atlasreader.h"
#include "assets/qt/companionfiles.h"
#include "assets/versiondetection.h"
#include "common/qt/pathtext.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <gtest/gtest.h>

namespace kvx {
namespace {

const QString kExamples = QStringLiteral(KVX_SOURCE_DIR "/examples");

QJsonObject readSkeleton()
{
    QFile file(kExamples + "/hero.json");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.object();
}

AtlasPage readPage()
{
    const AtlasReadResult atlas = readAtlasFile(toPath(kExamples + "/hero.atlas"));
    EXPECT_TRUE(atlas.ok) << atlas.error;
    EXPECT_TRUE(atlas.warnings.empty());
    return atlas.ok && atlas.pages.size() == 1 ? atlas.pages.front() : AtlasPage{};
}

TEST(SampleExport, IsASupportedSpine42Skeleton)
{
    const VersionDetection detection = detectSpineVersion(toPath(kExamples + "/hero.json"));
    EXPECT_EQ(detection.format, SkeletonFormat::Json);
    EXPECT_EQ(detection.status, DetectionStatus::Supported);
    EXPECT_EQ(detection.version, (SpineVersion{4, 2, 43}));
}

TEST(SampleExport, HasItsAtlasAndPageImage)
{
    EXPECT_EQ(findCompanionAtlas(kExamples + "/hero.json"), QDir(kExamples).absoluteFilePath("hero.atlas"));
    const AtlasPage page = readPage();
    EXPECT_EQ(page.rawName, "hero.png");
    EXPECT_EQ(page.pma, false);
    const QImage image(pageImagePath(kExamples + "/hero.atlas", pageNameText(page)));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(page.size, (std::vector<int32_t>{image.width(), image.height()}));
    qint64 bytes = 0;
    for (const char *name : {"hero.json", "hero.atlas", "hero.png"})
        bytes += QFileInfo(kExamples + "/" + name).size();
    EXPECT_LT(bytes, 60 * 1024);
}

TEST(SampleExport, KeepsEveryRegionInsideThePageWithPixelsInIt)
{
    const AtlasPage page = readPage();
    const QImage image = QImage(kExamples + "/hero.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(page.regions.size(), 5u);
    for (const AtlasRegion &region : page.regions) {
        SCOPED_TRACE(region.name);
        ASSERT_EQ(region.bounds.size(), 4u);
        // A rotated region occupies its height across and its width down the page.
        const int across = region.rotate ? region.bounds[3] : region.bounds[2];
        const int down = region.rotate ? region.bounds[2] : region.bounds[3];
        const QRect area(region.bounds[0], region.bounds[1], across, down);
        EXPECT_TRUE(image.rect().contains(area));
        EXPECT_GT(qAlpha(image.pixel(area.center())), 0);
    }
}

TEST(SampleExport, StoresTheRotatedArmAQuarterTurnCounterClockwise)
{
    // The arm image has its hand at the bottom; turned counter-clockwise, the hand is at the
    // right end of the page area, the sleeve at the left.
    const AtlasPage page = readPage();
    const QImage image(kExamples + "/hero.png");
    for (const AtlasRegion &region : page.regions) {
        if (region.name != "arm")
            continue;
        ASSERT_TRUE(region.rotate);
        const int x = region.bounds[0], y = region.bounds[1], length = region.bounds[3];
        const QColor hand = image.pixelColor(x + length - 9, y + region.bounds[2] / 2);
        const QColor sleeve = image.pixelColor(x + 9, y + region.bounds[2] / 2);
        EXPECT_GT(hand.red(), 200) << "hand";
        EXPECT_GT(sleeve.blue(), 200) << "sleeve";
        EXPECT_LT(sleeve.red(), 150) << "sleeve";
        return;
    }
    FAIL() << "no arm region";
}

TEST(SampleExport, RefersOnlyToBonesSlotsAndRegionsThatExist)
{
    const QJsonObject skeleton = readSkeleton();
    QSet<QString> boneNames, slotNames, regionNames;
    for (const AtlasRegion &region : readPage().regions)
        regionNames.insert(QString::fromStdString(region.name));
    for (const QJsonValue bone : skeleton["bones"].toArray()) {
        const QString parent = bone["parent"].toString();
        EXPECT_TRUE(parent.isEmpty() || boneNames.contains(parent)) << parent.toStdString();
        boneNames.insert(bone["name"].toString());
    }
    for (const QJsonValue slot : skeleton["slots"].toArray()) {
        EXPECT_TRUE(boneNames.contains(slot["bone"].toString()));
        slotNames.insert(slot["name"].toString());
    }
    EXPECT_EQ(boneNames.size(), 9);
    const QJsonObject skin = skeleton["skins"].toArray().at(0).toObject();
    EXPECT_EQ(skin["name"].toString(), "default");
    const QJsonObject attachments = skin["attachments"].toObject();
    for (auto slot = attachments.begin(); slot != attachments.end(); ++slot) {
        EXPECT_TRUE(slotNames.contains(slot.key()));
        for (const QString &name : slot.value().toObject().keys())
            EXPECT_TRUE(regionNames.contains(name)) << name.toStdString();
    }
    const QJsonObject animations = skeleton["animations"].toObject();
    EXPECT_EQ(animations.keys(), (QStringList{"idle", "wave"}));
    for (const QJsonValue animation : animations) {
        for (const QString &bone : animation["bones"].toObject().keys())
            EXPECT_TRUE(boneNames.contains(bone)) << bone.toStdString();
    }
}

} // namespace
} // namespace kvx
