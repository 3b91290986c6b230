#pragma once
// Page images as the painter takes them, read the same way by the window's canvas and the render
// path: once per page, with QImage, as ARGB32 holding the values stored in the file (the painter
// premultiplies, filters and mipmaps them as the renderer does), from regular files only (reading
// a FIFO named like a page would block).

#include "assets/exportrecord.h"
#include "common/failure.h"
#include "render/framepainter.h"

#include <QHash>
#include <QImage>
#include <QString>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace kvx {

// Fails with PageImageUnreadable when the file is not a regular file or cannot be decoded (the
// detail names the file and the reader's reason), and with PageImageTooLarge when its pixels would
// take more than QImageReader's allocation limit as ARGB32 (checked before anything is decoded).
Result<QImage> readPageImage(const QString &path);

// The image's texels as the painter reads them; the image must stay as it is while they are used.
TextureView texelsOf(const QImage &image);

// What the atlas says of pages it does not describe: straight, smoothly filtered.
inline constexpr PageDescription kUndescribedPage{false, TextureFilter::Linear, TextureFilter::Linear};

// Every page one export's frames name, each read once on first use and then shared read-only:
// lookups may come from several threads at once. Pages are found by the path the plugin names,
// compared as clean absolute paths; each carries what the export's atlas says of it.
class ExportPages {
public:
    explicit ExportPages(const ExportRecord &record);

    std::optional<PageImage> lookup(const std::u16string &path) const;
    // Why a page looked up could not be read; none for a page that was read or never looked up.
    std::optional<Failure> unreadable(const std::u16string &path) const;
    // A lookup for FramePainter::paint; valid while this object is.
    PageLookup lookupFunction() const;

private:
    struct Page {
        QImage image; // null when it could not be read
        PageDescription description;
        std::optional<Failure> failure;
    };

    QHash<QString, PageDescription> descriptions; // by clean absolute path
    mutable std::mutex mutex;
    mutable std::map<std::u16string, Page> pages; // nodes stay put, so texel views stay valid
};

} // namespace kvx
