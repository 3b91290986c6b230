#include "cli/inspection.h"

#include "assets/qt/companionfiles.h"
#include "common/qt/pathtext.h"
#include "editor/qt/probejob.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace kvx {
namespace {

QString formatName(SkeletonFormat format)
{
    switch (format) {
    case SkeletonFormat::Json:
        return QStringLiteral("json");
    case SkeletonFormat::Binary:
        return QStringLiteral("binary");
    case SkeletonFormat::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString detectionName(DetectionStatus status)
{
    switch (status) {
    case DetectionStatus::Supported:
        return QStringLiteral("supported");
    case DetectionStatus::OpenFailed:
        return QStringLiteral("open-failed");
    case DetectionStatus::Unrecognized:
        return QStringLiteral("unrecognized");
    case DetectionStatus::Unsupported:
        return QStringLiteral("unsupported");
    }
    return QStringLiteral("unrecognized");
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QString dataVersionText(const SkeletonRecord &record)
{
    const std::optional<SpineVersion> &version = record.found.detection.version;
    return version ? QString::fromStdString(version->fullText()) : QString();
}

// The verdict after the probe the window would start for it.
void settleEditorVersion(SkeletonRecord &record, EditorVersionResolver &resolver)
{
    ReadinessVerdict verdict = record.readiness.verdict;
    if (verdict == ReadinessVerdict::Ready) {
        record.editorVersion = record.readiness.editorVersion;
        record.editorVersionSource = QStringLiteral("cache");
    } else if (verdict == ReadinessVerdict::NeedsProbe) {
        const QString probed = resolver.probedVersion(record.readiness.line);
        verdict = decideProbeAnswer(parseSpineVersion(probed.toStdString()), resolver.editor().cachedVersions);
        record.editorVersion = probed;
        record.editorVersionSource = probed.isEmpty() ? QString() : QStringLiteral("probe");
    }
    record.verdict = QString::fromUtf8(verdictName(verdict));
}

QJsonArray pagesJson(const ExportCheck &check)
{
    QJsonArray pages;
    for (const AtlasPage &page : check.atlas.pages) {
        const QString name = pageNameText(page);
        const QString image = pageImagePath(check.atlasPath, name);
        QJsonObject entry;
        entry.insert(QStringLiteral("name"), name);
        entry.insert(QStringLiteral("image"), QDir::cleanPath(image));
        entry.insert(QStringLiteral("present"), pageImageUsable(image));
        entry.insert(QStringLiteral("scale"), page.scale.value_or(1.0));
        entry.insert(QStringLiteral("pma"), page.pma ? QJsonValue(*page.pma) : QJsonValue(QJsonValue::Null));
        pages.append(entry);
    }
    return pages;
}

QJsonObject recordJson(const SkeletonRecord &record)
{
    const VersionDetection &detection = record.found.detection;
    const ExportCheck &check = record.readiness.exportCheck;
    const bool supported = detection.status == DetectionStatus::Supported;
    QJsonObject object;
    object.insert(QStringLiteral("path"), record.found.path);
    object.insert(QStringLiteral("format"), formatName(detection.format));
    object.insert(QStringLiteral("detection"), detectionName(detection.status));
    object.insert(QStringLiteral("dataVersion"), textOrNull(dataVersionText(record)));
    object.insert(QStringLiteral("line"),
                  textOrNull(detection.version ? QString::fromStdString(detection.version->majorMinorText())
                                               : QString()));
    object.insert(QStringLiteral("supported"), supported);
    object.insert(QStringLiteral("reason"),
                  supported ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(detection.message)));
    object.insert(QStringLiteral("atlas"), textOrNull(check.atlasPath));
    object.insert(QStringLiteral("atlasError"),
                  textOrNull(check.completeness == ExportCompleteness::UnreadableAtlas
                                 ? QString::fromStdString(check.atlas.error)
                                 : QString()));
    object.insert(QStringLiteral("pages"), pagesJson(check));
    object.insert(QStringLiteral("missingPages"), QJsonArray::fromStringList(check.missingPages));
    object.insert(QStringLiteral("editorVersion"), textOrNull(record.editorVersion));
    object.insert(QStringLiteral("editorVersionSource"), textOrNull(record.editorVersionSource));
    object.insert(QStringLiteral("verdict"), record.verdict);
    return object;
}

QString yesNo(const std::optional<bool> &value)
{
    return value ? (*value ? QStringLiteral("yes") : QStringLiteral("no")) : QStringLiteral("not stated");
}

QString recordText(const SkeletonRecord &record)
{
    const VersionDetection &detection = record.found.detection;
    const ExportCheck &check = record.readiness.exportCheck;
    QString text = record.found.path + QLatin1Char('\n');
    if (detection.status != DetectionStatus::Supported) {
        const QString version = dataVersionText(record);
        text += QStringLiteral("  not converted: %1%2\n")
                    .arg(QString::fromStdString(detection.message),
                         version.isEmpty() ? QString() : QStringLiteral(" (data version %1)").arg(version));
        return text + QStringLiteral("  verdict: %1\n").arg(record.verdict);
    }
    text += QStringLiteral("  format: %1, data version %2 (line %3)\n")
                .arg(formatName(detection.format), dataVersionText(record), record.readiness.line);
    text += QStringLiteral("  atlas: %1\n").arg(check.atlasPath.isEmpty() ? QStringLiteral("none found") : check.atlasPath);
    if (check.completeness == ExportCompleteness::UnreadableAtlas)
        text += QStringLiteral("  atlas error: %1\n").arg(QString::fromStdString(check.atlas.error));
    for (const AtlasPage &page : check.atlas.pages) {
        text += QStringLiteral("  page: %1 (scale %2, premultiplied alpha %3)\n")
                    .arg(pageNameText(page), QString::number(page.scale.value_or(1.0)), yesNo(page.pma));
    }
    if (!check.missingPages.isEmpty())
        text += QStringLiteral("  missing pages: %1\n").arg(check.missingPages.join(QStringLiteral(", ")));
    if (!record.editorVersion.isEmpty())
        text += QStringLiteral("  editor version: %1 (%2)\n").arg(record.editorVersion, record.editorVersionSource);
    return text + QStringLiteral("  verdict: %1\n").arg(record.verdict);
}

} // namespace

QString EditorVersionResolver::probedVersion(const QString &line)
{
    if (situation.editorPath.isEmpty())
        return QString();
    const auto known = answers.constFind(line);
    if (known != answers.constEnd())
        return *known;
    const QString version = resolveEditorVersion(line.toStdString(), toPath(situation.editorPath), 0).second;
    answers.insert(line, version);
    return version;
}

std::vector<SkeletonRecord> inspectSkeletons(const QStringList &paths, EditorVersionResolver &resolver)
{
    std::vector<SkeletonRecord> records;
    for (FoundSkeleton &found : findSkeletons(paths)) {
        SkeletonRecord record;
        record.found = std::move(found);
        record.found.path = QFileInfo(record.found.path).absoluteFilePath();
        if (record.found.detection.status == DetectionStatus::Supported) {
            record.readiness = evaluateReadiness(record.found.path, resolver.editor());
            settleEditorVersion(record, resolver);
        } else {
            record.verdict = detectionName(record.found.detection.status);
        }
        records.push_back(std::move(record));
    }
    return records;
}

bool isSpineSkeleton(const SkeletonRecord &record)
{
    const DetectionStatus status = record.found.detection.status;
    return status == DetectionStatus::Supported || status == DetectionStatus::Unsupported;
}

bool canConvert(const SkeletonRecord &record)
{
    return record.verdict == QLatin1String("ready");
}

QString blockingReason(const SkeletonRecord &record)
{
    const QString verdict = record.verdict;
    if (verdict == QLatin1String("ready"))
        return QString();
    if (verdict == QLatin1String("missing-atlas"))
        return QStringLiteral("no companion atlas found");
    if (verdict == QLatin1String("unreadable-atlas"))
        return QStringLiteral("atlas unreadable: %1").arg(QString::fromStdString(record.readiness.exportCheck.atlas.error));
    if (verdict == QLatin1String("missing-page"))
        return QStringLiteral("missing page images: %1").arg(record.readiness.exportCheck.missingPages.join(QStringLiteral(", ")));
    if (verdict == QLatin1String("no-editor"))
        return QStringLiteral("no Spine Editor found (name one with --editor)");
    if (verdict == QLatin1String("not-cached"))
        return QStringLiteral("Spine %1 was found but is not cached; converting would trigger a download")
            .arg(record.editorVersion);
    if (verdict == QLatin1String("no-suitable-version"))
        return QStringLiteral("no editor version of line %1 is cached or reported by the editor").arg(record.readiness.line);
    return QString::fromStdString(record.found.detection.message);
}

QJsonObject inspectionJson(const std::vector<SkeletonRecord> &records, const EditorSituation &editor)
{
    QJsonArray cached;
    for (const SpineVersion &version : editor.cachedVersions)
        cached.append(QString::fromStdString(version.fullText()));
    QJsonObject editorObject;
    editorObject.insert(QStringLiteral("path"), textOrNull(editor.editorPath));
    editorObject.insert(QStringLiteral("cachedVersions"), cached);
    QJsonArray skeletons;
    for (const SkeletonRecord &record : records)
        skeletons.append(recordJson(record));
    QJsonObject root;
    root.insert(QStringLiteral("schema"), QStringLiteral("kovexa-inspect/1"));
    root.insert(QStringLiteral("editor"), editorObject);
    root.insert(QStringLiteral("skeletons"), skeletons);
    return root;
}

QString inspectionText(const std::vector<SkeletonRecord> &records, const EditorSituation &editor)
{
    const std::string cached = versionListText(editor.cachedVersions, ", ");
    QString text = QStringLiteral("Spine Editor: %1\nCached editor versions: %2\n\n")
                       .arg(editor.editorPath.isEmpty() ? QStringLiteral("not found") : editor.editorPath,
                            cached.empty() ? QStringLiteral("none") : QString::fromStdString(cached));
    qsizetype skeletons = 0;
    qsizetype ready = 0;
    QString skipped;
    for (const SkeletonRecord &record : records) {
        if (!isSpineSkeleton(record)) {
            skipped += QStringLiteral("skipped %1: %2\n").arg(record.found.path, blockingReason(record));
            continue;
        }
        text += recordText(record) + QLatin1Char('\n');
        ++skeletons;
        ready += canConvert(record) ? 1 : 0;
    }
    if (!skipped.isEmpty())
        text += skipped + QLatin1Char('\n');
    text += QStringLiteral("%1 skeleton file(s), %2 ready to convert").arg(skeletons).arg(ready);
    const qsizetype others = static_cast<qsizetype>(records.size()) - skeletons;
    if (others > 0)
        text += QStringLiteral(", %1 other file(s) skipped").arg(others);
    return text + QLatin1Char('\n');
}

} // namespace kvx
