#include "conversion/qt/looseimages.h"

#include "assets/atlasreader.h"
#include "assets/qt/companionfiles.h"
#include "assets/regionlayout.h"
#include "assets/straightalpha.h"
#include "common/qt/pathtext.h"
#include "common/workingfolder.h"
#include "conversion/publish.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

namespace kvx {
namespace {

std::string utf8(const QString &text)
{
    return text.toStdString();
}

size_t regionCount(const std::vector<AtlasPage> &pages)
{
    size_t count = 0;
    for (const AtlasPage &page : pages)
        count += page.regions.size();
    return count;
}

// The page's stored texels as 0xAARRGGBB; only regular files are opened (a FIFO would block).
Result<QImage> readPage(const QString &atlasPath, const AtlasPage &page, bool straightAlpha)
{
    const QString path = pageImagePath(atlasPath, pageNameText(page));
    const auto unreadable = [&](const QString &reason) {
        return failure(FailureKind::PageImageUnreadable,
                       utf8(path + QStringLiteral(": ") + reason)
                           + "; its " + std::to_string(page.regions.size()) + " region(s) are left out");
    };
    if (!QFileInfo(path).isFile())
        return unreadable(QStringLiteral("not a readable file"));
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull())
        return unreadable(reader.errorString());
    image.convertTo(QImage::Format_ARGB32);
    if (straightAlpha && page.pma.value_or(false)) {
        for (int y = 0; y < image.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] = straightFromPremultiplied(row[x]);
        }
    }
    return image;
}

// The original image: transparent where the packer stripped whitespace.
QImage regionImage(const QImage &page, const RegionLayout &layout)
{
    QImage image(layout.width, layout.height, QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    const PixelRect &content = layout.content;
    for (int32_t y = 0; y < content.height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(content.y + y)) + content.x;
        for (int32_t x = 0; x < content.width; ++x) {
            const PixelPoint texel = pageTexel(layout, x, y);
            row[x] = reinterpret_cast<const QRgb *>(page.constScanLine(texel.y))[texel.x];
        }
    }
    return image;
}

class LooseImageWriter {
public:
    LooseImageWriter(const QString &root, LooseImagesReport &report) : root(root), report(report) {}

    // A failure ends the whole atlas: what failed here would fail for the next file too.
    Status write(const AtlasRegion &region, const QImage &page)
    {
        const Result<RegionLayout> layout = layoutRegion(region);
        if (!layout)
            return leaveOut(layout.failure());
        if (Status fits = checkFootprint(*layout, page.width(), page.height()); !fits)
            return leaveOut(failure(FailureKind::RegionOutsidePage, region.name + " (" + fits.failure().detail + ")"));
        const Result<std::string> name = regionImagePath(region);
        if (!name)
            return leaveOut(name.failure());
        const QString relative = QString::fromStdString(*name);
        const QString file = QDir(root).filePath(relative);
        if (!QDir(root).mkpath(QFileInfo(relative).path()))
            return leaveOut(failure(FailureKind::FolderCreate, utf8(QFileInfo(relative).path()) + " (region " + region.name + ")"));
        const QImage image = regionImage(page, *layout);
        if (image.isNull())
            return leaveOut(failure(FailureKind::RegionTooLarge, region.name));
        return writePng(image, file, relative, region.name);
    }

private:
    Status leaveOut(Failure failure)
    {
        report.leftOut.push_back(std::move(failure));
        return Done{};
    }

    // Never onto an existing name: on a file system that ignores case, "Arm" and "arm" are one name.
    Status writePng(const QImage &image, const QString &file, const QString &relative, const std::string &regionName)
    {
        QFile output(file);
        if (!output.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(file) || QFileInfo(file).isSymLink())
                return leaveOut(failure(FailureKind::NameTaken, utf8(relative) + " (region " + regionName + ")"));
            return failure(FailureKind::FileWrite, utf8(file + QStringLiteral(": ") + output.errorString()));
        }
        QImageWriter writer(&output, "png");
        if (!writer.write(image) || !output.flush()) {
            const QString reason = writer.error() != QImageWriter::UnknownError ? writer.errorString() : output.errorString();
            output.remove();
            return failure(FailureKind::FileWrite, utf8(file + QStringLiteral(": ") + reason));
        }
        ++report.imagesWritten;
        return Done{};
    }

    QString root;
    LooseImagesReport &report;
};

} // namespace

Result<LooseImagesReport> writeLooseImages(const LooseImagesRequest &request, const std::function<bool()> &stopRequested)
{
    const AtlasReadResult atlas = readAtlasFile(toPath(request.atlasPath));
    if (!atlas.ok)
        return failure(FailureKind::AtlasUnreadable, utf8(request.atlasPath) + ": " + atlas.error);
    if (regionCount(atlas.pages) == 0)
        return failure(FailureKind::AtlasWithoutRegions, utf8(request.atlasPath));
    Result<WorkingFolder> working = WorkingFolder::create(toPath(request.outputParent));
    if (!working)
        return working.failure();

    LooseImagesReport report;
    LooseImageWriter writer(toQString(working->path()), report);
    for (const AtlasPage &page : atlas.pages) {
        Result<QImage> image = readPage(request.atlasPath, page, request.straightAlpha);
        if (!image) {
            report.leftOut.push_back(image.failure());
            continue;
        }
        for (const AtlasRegion &region : page.regions) {
            if (stopRequested && stopRequested())
                return failure(FailureKind::Cancelled);
            if (Status written = writer.write(region, *image); !written)
                return written.failure();
        }
    }
    if (report.imagesWritten == 0)
        return report;
    const Result<std::filesystem::path> published =
        publishUnderFreeName(working->path(), toPath(request.outputParent), toPath(request.baseName));
    if (!published)
        return published.failure();
    working->release();
    report.folder = toQString(*published);
    return report;
}

} // namespace kvx
