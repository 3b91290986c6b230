#pragma once
// Makes export records from the files and keeps them current: a record is read again only where a
// file's stamp changed since it was made.

#include "assets/exportrecord.h"

#include <QHash>
#include <QString>
#include <cstdint>

namespace kvx {

// The skeleton's detection only; the atlas is left for completeExport.
ExportRecord detectExport(const QString &skeletonPath);

// The record with its companion atlas and every page examined: detection, atlas and pages are read
// again only where their stamps changed (or were never read). A skeleton that no longer reads as
// supported keeps no atlas.
void refreshExport(ExportRecord &record);

// Convenience: detection, atlas and pages, read now.
ExportRecord readExport(const QString &skeletonPath);

// The same with the atlas named by the user in place of the companion one (a skeleton that does
// not read as supported keeps no atlas). Refreshing the record later goes back to the companion.
ExportRecord readExportWithAtlas(const QString &skeletonPath, const QString &atlasPath);

// A page image is usable only as a readable regular file: a folder, a device, a FIFO or a file
// that cannot be opened counts as missing.
bool pageImageUsable(const QString &imagePath);

// Records remembered per skeleton path, so a run over a long list costs only what changed.
class ExportCatalog {
public:
    // The record of the path as the files are now.
    const ExportRecord &current(const QString &skeletonPath);
    // Takes a record made elsewhere (intake) as the starting point for its path.
    void remember(ExportRecord record);

    qsizetype size() const { return records.size(); }
    int64_t filesRead() const { return reads; } // detections and atlas reads, for tests and benchmarks

private:
    QHash<QString, ExportRecord> records;
    int64_t reads = 0;
};

} // namespace kvx
