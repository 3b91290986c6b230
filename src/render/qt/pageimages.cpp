#include "render/qt/pageimages.h"

#include "common/qt/pathtext.h"
#include "render/pagetexture.h"

#include <QDir>
#include <QFileInfo>

namespace kvx {
namespace {

QString cleanAbsolutePath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

QImage readPageImage(const QString &path)
{
    QImage image = QFileInfo(path).isFile() ? QImage(path) : QImage();
    if (!image.isNull())
        image.convertTo(QImage::Format_ARGB32);
    return image;
}

TextureView texelsOf(const QImage &image)
{
    return {reinterpret_cast<const uint32_t *>(image.constBits()), image.width(), image.height(),
            image.bytesPerLine() / 4};
}

ExportPages::ExportPages(const ExportRecord &record)
{
    for (const PageRecord &page : record.pages)
        descriptions.insert(cleanAbsolutePath(toQString(page.image)), pageDescriptionOf(page));
}

std::optional<PageImage> ExportPages::lookup(const std::u16string &path) const
{
    const std::lock_guard<std::mutex> lock(mutex);
    auto found = pages.find(path);
    if (found == pages.end()) {
        // A page that cannot be read is kept as a null image too, so it is not tried again.
        const QString name = QString::fromStdU16String(path);
        const PageDescription description = descriptions.value(cleanAbsolutePath(name), kUndescribedPage);
        found = pages.emplace(path, Page{readPageImage(name), description}).first;
    }
    if (found->second.image.isNull())
        return std::nullopt;
    return PageImage{texelsOf(found->second.image), found->second.description};
}

PageLookup ExportPages::lookupFunction() const
{
    return [this](const std::u16string &path) { return lookup(path); };
}

} // namespace kvx
