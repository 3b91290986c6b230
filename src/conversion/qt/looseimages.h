#pragma once
// Every region of an atlas as its own PNG, as a texture unpacker writes them: the packer's turn
// undone, the stripped whitespace restored, the folders of the region's name kept, an indexed
// region as "<name>_<index>.png". The images are written into a private working folder that is
// published by one rename, so nothing is ever replaced and a failure leaves nothing behind.

#include "common/failure.h"

#include <QString>
#include <functional>
#include <vector>

namespace kvx {

struct LooseImagesRequest {
    QString atlasPath;
    QString outputParent;       // an existing folder to write into
    QString baseName;           // the new folder: baseName, or the first free "baseName-2", "baseName-3", ...
    bool straightAlpha = false; // pages the atlas declares premultiplied are written in straight alpha
};

struct LooseImagesReport {
    QString folder;        // the published folder; empty when no image could be written
    int imagesWritten = 0;
    // What was left out: regions whose numbers or name make no image file (RegionMalformed,
    // RegionOutsidePage, RegionTooLarge, RegionNameUnusable), a second region of the same file name
    // (NameTaken: the first one keeps it), folders that could not be made (FolderCreate), and pages
    // that could not be read (PageImageUnreadable, with all their regions). Each detail names it.
    std::vector<Failure> leftOut;

    bool complete() const { return leftOut.empty() && imagesWritten > 0; }
};

// Fails as a whole, leaving nothing behind, when the atlas cannot be read (AtlasUnreadable) or has
// no regions (AtlasWithoutRegions), when a file cannot be written (FileWrite) or the folder not be
// made or published (FolderCreate), and when stopRequested, polled between regions, answers true
// (Cancelled). Safe on any thread; the window runs it off its own.
Result<LooseImagesReport> writeLooseImages(const LooseImagesRequest &request,
                                           const std::function<bool()> &stopRequested = {});

} // namespace kvx
