#include "render/qt/pageimages.h"

#include "common/qt/pathtext.h"
#include "render/pagetexture.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace kvx {
namespace {

QString cleanAbsolutePath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

Result<QImage> readPageImage(const QString &path)
{
    const std::string name = path.toStdString();
    if (!QFileInfo(path).isFile())
        return failure(FailureKind::PageImageUnreadable, name + ": not a regular file");
    QImageReader reader(path);
    const QSize size = reader.size();
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) << 20; // 0: no limit
    if (limitBytes > 0 && size.isValid() && qint64(size.width()) * size.height() * 4 > limitBytes)
        return failure(FailureKind::PageImageTooLarge,
                       name + ": " + std::to_string(size.width()) + " x " + std::to_string(size.height())
                           + " pixels, more than the " + std::to_string(QImageReader::allocationLimit())
                           + " MB an image may take");
    QImage image = reader.read();
    if (image.isNull())
        return failure(FailureKind::PageImageUnreadable, name + ": " + reader.errorString().toStdString());
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
        Result<QImage> image = readPageImage(name);
        found = pages.emplace(path, image ? Page{std::move(*image), description, std::nullopt}
                                          : Page{QImage(), description, image.failure()})
                    .first;
    }
    if (found->second.image.isNull())
        return std::nullopt;
    return PageImage{texelsOf(found->second.image), found->second.description};
}

std::optional<Failure> ExportPages::unreadable(const std::u16string &path) const
{
    const std::lock_guard<std::mutex> lock(mutex);
    const auto found = pages.find(path);
    return found == pages.end() ? std::nullopt : found->second.failure;
}

PageLookup ExportPages::lookupFunction() const
{
    return [this](const std::u16string &path) { return lookup(path); };
}

} // namespace kvx
