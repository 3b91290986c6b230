// Stand-in texture unpacker (tests and demos only): cuts every atlas region into its own PNG.

#include "standin.h"
#include "standinfaults.h"

#include "assets/atlasreader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace kvx::standin {

namespace {

namespace fs = std::filesystem;

constexpr int kLargestImageSide = 16384;

// The region's rectangle on the page; width and height as the region stands upright.
struct RegionRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

int reportError(const std::string &message)
{
    std::fprintf(stderr, "Spine stand-in unpacker: %s\n", message.c_str());
    return 1;
}

std::optional<RegionRect> regionRect(const AtlasRegion &region)
{
    if (region.bounds.size() == 4)
        return RegionRect{region.bounds[0], region.bounds[1], region.bounds[2], region.bounds[3]};
    if (region.xy.size() == 2 && region.size.size() == 2)
        return RegionRect{region.xy[0], region.xy[1], region.size[0], region.size[1]};
    return std::nullopt;
}

// Page images are read by their bytes: page names are bytes in whatever encoding the export used.
QImage loadPage(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return QImage::fromData(QByteArray::fromStdString(bytes)).convertToFormat(QImage::Format_ARGB32);
}

void unpremultiply(QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            const auto straight = [alpha](int c) {
                return alpha == 0 ? 0 : std::min(255, (c * 255 + alpha / 2) / alpha);
            };
            line[x] = qRgba(straight(qRed(line[x])), straight(qGreen(line[x])), straight(qBlue(line[x])), alpha);
        }
    }
}

// A rotated region lies on the page turned a quarter counter-clockwise (its upright top edge runs
// up the packed rectangle's left side); turning it a quarter clockwise stands it upright.
QImage turnUpright(const QImage &packed, int uprightWidth, int uprightHeight)
{
    QImage upright(uprightWidth, uprightHeight, QImage::Format_ARGB32);
    for (int y = 0; y < uprightHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(upright.scanLine(y));
        for (int x = 0; x < uprightWidth; ++x)
            line[x] = packed.pixel(y, uprightWidth - 1 - x);
    }
    return upright;
}

QImage cutRegion(const QImage &page, const AtlasRegion &region, const RegionRect &rect)
{
    if (!region.rotate)
        return page.copy(rect.x, rect.y, rect.width, rect.height);
    return turnUpright(page.copy(rect.x, rect.y, rect.height, rect.width), rect.width, rect.height);
}

// Puts back the whitespace the packer stripped; offsets count from the bottom-left corner.
std::optional<QImage> restorePadding(const QImage &trimmed, const AtlasRegion &region)
{
    const auto &offsets = region.offsets;
    const int offsetX = offsets.size() >= 2 ? offsets[0] : 0;
    const int offsetY = offsets.size() >= 2 ? offsets[1] : 0;
    int originalWidth = trimmed.width();
    int originalHeight = trimmed.height();
    if (offsets.size() == 4) {
        originalWidth = offsets[2];
        originalHeight = offsets[3];
    } else if (region.orig.size() == 2) {
        originalWidth = region.orig[0];
        originalHeight = region.orig[1];
    }
    if (offsetX == 0 && offsetY == 0 && originalWidth == trimmed.width() && originalHeight == trimmed.height())
        return trimmed;
    if (originalWidth <= 0 || originalHeight <= 0 || originalWidth > kLargestImageSide
        || originalHeight > kLargestImageSide)
        return std::nullopt;
    QImage padded(originalWidth, originalHeight, QImage::Format_ARGB32);
    padded.fill(Qt::transparent);
    const int top = originalHeight - offsetY - trimmed.height();
    for (int y = 0; y < trimmed.height(); ++y) {
        const int row = top + y;
        if (row < 0 || row >= originalHeight)
            continue;
        for (int x = 0; x < trimmed.width(); ++x) {
            if (offsetX + x >= 0 && offsetX + x < originalWidth)
                padded.setPixel(offsetX + x, row, trimmed.pixel(x, y));
        }
    }
    return padded;
}

// "<name>[_<index>].png" below the output folder; none for a name that would leave it.
std::optional<fs::path> regionFile(const fs::path &outputFolder, const AtlasRegion &region)
{
    std::string name = region.name;
    if (region.index && *region.index >= 0)
        name += "_" + std::to_string(*region.index);
    const fs::path relative = fs::path(name + ".png").lexically_normal();
    if (name.empty() || relative.has_root_path() || relative.empty() || *relative.begin() == "..")
        return std::nullopt;
    return outputFolder / relative;
}

bool writePng(const QImage &image, const fs::path &file)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return false;
    std::error_code ignored;
    fs::create_directories(file.parent_path(), ignored);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.constData(), bytes.size());
    return static_cast<bool>(out.flush());
}

int unpackRegion(const QImage &page, const AtlasRegion &region, const fs::path &outputFolder)
{
    const std::optional<RegionRect> rect = regionRect(region);
    if (!rect || rect->width <= 0 || rect->height <= 0)
        return reportError("region without a rectangle: " + region.name);
    const std::optional<fs::path> file = regionFile(outputFolder, region);
    if (!file)
        return reportError("region name leaves the output folder: " + region.name);
    const std::optional<QImage> image = restorePadding(cutRegion(page, region, *rect), region);
    if (!image)
        return reportError("region with an unusable original size: " + region.name);
    if (!writePng(*image, *file))
        return reportError("could not write " + file->string());
    return 0;
}

int unpackPage(const AtlasPage &page, const fs::path &inputFolder, const fs::path &outputFolder)
{
    QImage image = loadPage(inputFolder / page.name);
    if (image.isNull())
        return reportError("page image could not be read: " + (inputFolder / page.name).string());
    if (page.pma.value_or(false))
        unpremultiply(image);
    for (const AtlasRegion &region : page.regions) {
        if (const int code = unpackRegion(image, region, outputFolder); code != 0)
            return code;
    }
    return 0;
}

} // namespace

int runUnpackCommand(const std::string &version, const std::string &inputFolder, const std::string &outputFolder,
                     const std::string &atlasPath)
{
    delayBeforeWork();
    if (const std::optional<int> code = requestedFailure("unpack"))
        return *code;
    if (environmentFlag("KVX_STANDIN_NO_IMAGES"))
        return 0;
    const AtlasReadResult atlas = readAtlasFile(atlasPath);
    if (!atlas.ok)
        return reportError("atlas could not be read: " + atlas.error);
    for (const AtlasPage &page : atlas.pages) {
        if (const int code = unpackPage(page, inputFolder, outputFolder); code != 0)
            return code;
    }
    std::printf("Spine %s stand-in: unpacked %s\n", version.c_str(), atlasPath.c_str());
    return 0;
}

} // namespace kvx::standin
