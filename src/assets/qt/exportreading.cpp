#include "assets/qt/exportreading.h"

#include "assets/qt/companionfiles.h"
#include "common/qt/pathtext.h"

#include <QFile>
#include <QFileInfo>
#include <system_error>

namespace kvx {
namespace {

std::string utf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

PageRecord pageRecord(const QString &atlasPath, const AtlasPage &page)
{
    PageRecord record;
    const QString name = pageNameText(page);
    const QString image = pageImagePath(atlasPath, name);
    record.name = utf8(name);
    record.image = toPath(image);
    record.stamp = stampOf(record.image);
    record.present = record.stamp.regular && pageImageUsable(image);
    record.pma = page.pma;
    record.scale = page.scale.value_or(1.0);
    record.filter = page.filter;
    return record;
}

void clearAtlas(ExportRecord &record)
{
    record.atlas.clear();
    record.atlasStamp = {};
    record.atlasState = AtlasState::None;
    record.atlasError.clear();
    record.atlasContents.reset();
    record.pages.clear();
}

void readAtlas(ExportRecord &record, const QString &atlasPath)
{
    clearAtlas(record);
    record.atlasExamined = true;
    if (atlasPath.isEmpty())
        return;
    record.atlas = toPath(atlasPath);
    record.atlasStamp = stampOf(record.atlas);
    auto contents = std::make_shared<AtlasReadResult>(readAtlasFile(record.atlas));
    if (!contents->ok) {
        record.atlasState = AtlasState::Unreadable;
        record.atlasError = contents->error;
        return;
    }
    record.atlasState = AtlasState::Read;
    for (const AtlasPage &page : contents->pages)
        record.pages.push_back(pageRecord(atlasPath, page));
    record.atlasContents = std::move(contents);
}

// Pages are looked at again only when their stamps moved.
void refreshPages(ExportRecord &record)
{
    for (PageRecord &page : record.pages) {
        const FileStamp now = stampOf(page.image);
        if (now == page.stamp)
            continue;
        page.stamp = now;
        page.present = now.regular && pageImageUsable(toQString(page.image));
    }
}

} // namespace

bool pageImageUsable(const QString &imagePath)
{
    std::error_code error;
    // Only a regular file is opened: opening a FIFO would block until a writer comes.
    if (!std::filesystem::is_regular_file(toPath(imagePath), error) || error)
        return false;
    QFile file(imagePath);
    return file.open(QIODevice::ReadOnly);
}

ExportRecord detectExport(const QString &skeletonPath)
{
    ExportRecord record;
    record.skeleton = toPath(skeletonPath);
    record.skeletonStamp = stampOf(record.skeleton);
    record.detection = detectSpineVersion(record.skeleton);
    return record;
}

void refreshExport(ExportRecord &record)
{
    const FileStamp skeletonNow = stampOf(record.skeleton);
    // Anything but an unchanged regular file is detected again: detection tells what it is now.
    if (!skeletonNow.regular || skeletonNow != record.skeletonStamp) {
        record.skeletonStamp = skeletonNow;
        record.detection = detectSpineVersion(record.skeleton);
        record.atlasExamined = false;
    }
    if (!record.supported()) {
        clearAtlas(record);
        record.atlasExamined = false;
        return;
    }
    const QString atlasPath = findCompanionAtlas(toQString(record.skeleton));
    if (!record.atlasExamined || toPath(atlasPath) != record.atlas
        || (!atlasPath.isEmpty() && stampOf(record.atlas) != record.atlasStamp)) {
        readAtlas(record, atlasPath);
        return;
    }
    refreshPages(record);
}

ExportRecord readExport(const QString &skeletonPath)
{
    ExportRecord record = detectExport(skeletonPath);
    refreshExport(record);
    return record;
}

ExportRecord readExportWithAtlas(const QString &skeletonPath, const QString &atlasPath)
{
    ExportRecord record = detectExport(skeletonPath);
    if (record.supported())
        readAtlas(record, atlasPath);
    return record;
}

const ExportRecord &ExportCatalog::current(const QString &skeletonPath)
{
    auto known = records.find(skeletonPath);
    if (known == records.end()) {
        ++reads;
        known = records.insert(skeletonPath, readExport(skeletonPath));
        return *known;
    }
    const FileStamp skeletonBefore = known->skeletonStamp;
    const FileStamp atlasBefore = known->atlasStamp;
    const bool examinedBefore = known->atlasExamined;
    refreshExport(*known);
    if (known->skeletonStamp != skeletonBefore || known->atlasStamp != atlasBefore || !examinedBefore)
        ++reads;
    return *known;
}

void ExportCatalog::remember(ExportRecord record)
{
    const QString path = toQString(record.skeleton);
    records.insert(path, std::move(record));
}

} // namespace kvx
