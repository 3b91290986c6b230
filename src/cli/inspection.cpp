#include "cli/inspection.h"

#include "assets/qt/companionfiles.h"
#include "assets/qt/exportreading.h"
#include "common/qt/pathtext.h"
#include "editor/probejob.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace kvx {
namespace {

// Looks at a skeleton's files at most this often while they keep changing under the reader.
constexpr int kReadAttempts = 3;

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

QString utf8(const std::string &text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString versionText(const std::optional<SpineVersion> &version)
{
    return version ? QString::fromStdString(version->fullText()) : QString();
}

QString pathText(const std::filesystem::path &path)
{
    return path.empty() ? QString() : QDir::cleanPath(toQString(path));
}

bool stampsHold(const ExportRecord &record)
{
    return stampOf(record.skeleton) == record.skeletonStamp
        && (record.atlas.empty() || stampOf(record.atlas) == record.atlasStamp);
}

// The record read until two looks at its files agree; none when they kept changing meanwhile.
std::optional<ExportRecord> settledRecord(ExportRecord record)
{
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        refreshExport(record);
        if (stampsHold(record))
            return record;
    }
    return std::nullopt;
}

InspectVerdict detectionVerdict(DetectionStatus status)
{
    switch (status) {
    case DetectionStatus::Supported:
        break;
    case DetectionStatus::OpenFailed:
        return InspectVerdict::OpenFailed;
    case DetectionStatus::Unsupported:
        return InspectVerdict::Unsupported;
    case DetectionStatus::Unrecognized:
        return InspectVerdict::Unrecognized;
    }
    return InspectVerdict::Unrecognized;
}

InspectVerdict readinessVerdict(ReadinessVerdict verdict)
{
    switch (verdict) {
    case ReadinessVerdict::Ready:
        return InspectVerdict::Ready;
    case ReadinessVerdict::MissingAtlas:
        return InspectVerdict::MissingAtlas;
    case ReadinessVerdict::UnreadableAtlas:
        return InspectVerdict::UnreadableAtlas;
    case ReadinessVerdict::MissingPage:
        return InspectVerdict::MissingPage;
    case ReadinessVerdict::NoEditor:
        return InspectVerdict::NoEditor;
    case ReadinessVerdict::NotCached:
        return InspectVerdict::NotCached;
    case ReadinessVerdict::NeedsProbe:
    case ReadinessVerdict::NoSuitableVersion:
        return InspectVerdict::NoSuitableVersion;
    case ReadinessVerdict::Unknown:
        break;
    }
    return InspectVerdict::Unrecognized;
}

// The verdict after the probe the window would start for it.
void settleEditorVersion(InspectedSkeleton &skeleton, EditorVersionResolver &resolver)
{
    ReadinessVerdict verdict = skeleton.readiness.verdict;
    if (verdict == ReadinessVerdict::Ready) {
        skeleton.editorVersion = skeleton.readiness.editorVersion;
        skeleton.editorVersionSource = QStringLiteral("cache");
    } else if (verdict == ReadinessVerdict::NeedsProbe) {
        const std::optional<SpineVersion> probed = resolver.probedVersion(skeleton.readiness.line);
        verdict = decideProbeAnswer(probed, resolver.editor().cachedVersions);
        skeleton.editorVersion = probed;
        skeleton.editorVersionSource = probed ? QStringLiteral("probe") : QString();
    }
    skeleton.verdict = readinessVerdict(verdict);
}

InspectedSkeleton inspect(const IntakeOutcome &outcome, EditorVersionResolver &resolver)
{
    InspectedSkeleton skeleton;
    std::optional<ExportRecord> record = settledRecord(outcome.record);
    if (!record) {
        skeleton.readiness.record = outcome.record;
        skeleton.verdict = InspectVerdict::ChangedWhileReading;
        return skeleton;
    }
    if (!record->supported()) {
        skeleton.readiness.record = std::move(*record);
        skeleton.verdict = detectionVerdict(skeleton.record().detection.status);
        return skeleton;
    }
    skeleton.readiness = assessReadiness(std::move(*record), resolver.editor());
    settleEditorVersion(skeleton, resolver);
    return skeleton;
}

QJsonArray pagesJson(const ExportRecord &record)
{
    QJsonArray pages;
    for (const PageRecord &page : record.pages) {
        QJsonObject entry;
        entry.insert(QStringLiteral("name"), utf8(page.name));
        entry.insert(QStringLiteral("image"), pathText(page.image));
        entry.insert(QStringLiteral("present"), page.present);
        entry.insert(QStringLiteral("scale"), page.scale);
        entry.insert(QStringLiteral("pma"), page.pma ? QJsonValue(*page.pma) : QJsonValue(QJsonValue::Null));
        pages.append(entry);
    }
    return pages;
}

QStringList missingPages(const ExportRecord &record)
{
    QStringList names;
    for (const std::string &name : record.missingPageFileNames())
        names.append(utf8(name));
    return names;
}

QJsonObject skeletonJson(const InspectedSkeleton &skeleton)
{
    const ExportRecord &record = skeleton.record();
    const VersionDetection &detection = record.detection;
    const bool supported = record.supported();
    QJsonObject object;
    object.insert(QStringLiteral("path"), skeleton.path());
    object.insert(QStringLiteral("format"), formatName(detection.format));
    object.insert(QStringLiteral("detection"), detectionName(detection.status));
    object.insert(QStringLiteral("dataVersion"), textOrNull(versionText(detection.version)));
    object.insert(QStringLiteral("line"), textOrNull(QString::fromStdString(record.line())));
    object.insert(QStringLiteral("supported"), supported);
    object.insert(QStringLiteral("reason"),
                  supported ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(detection.message)));
    object.insert(QStringLiteral("atlas"), textOrNull(pathText(record.atlas)));
    object.insert(QStringLiteral("atlasError"), textOrNull(record.atlasState == AtlasState::Unreadable
                                                               ? QString::fromStdString(record.atlasError)
                                                               : QString()));
    object.insert(QStringLiteral("pages"), pagesJson(record));
    object.insert(QStringLiteral("missingPages"), QJsonArray::fromStringList(missingPages(record)));
    object.insert(QStringLiteral("editorVersion"), textOrNull(versionText(skeleton.editorVersion)));
    object.insert(QStringLiteral("editorVersionSource"), textOrNull(skeleton.editorVersionSource));
    object.insert(QStringLiteral("verdict"), QString::fromUtf8(verdictName(skeleton.verdict)));
    return object;
}

QString yesNo(const std::optional<bool> &value)
{
    return value ? (*value ? QStringLiteral("yes") : QStringLiteral("no")) : QStringLiteral("not stated");
}

QString skeletonText(const InspectedSkeleton &skeleton)
{
    const ExportRecord &record = skeleton.record();
    const VersionDetection &detection = record.detection;
    const QString verdict = QString::fromUtf8(verdictName(skeleton.verdict));
    QString text = skeleton.path() + QLatin1Char('\n');
    if (!record.supported() || skeleton.verdict == InspectVerdict::ChangedWhileReading) {
        const QString version = versionText(detection.version);
        text += QStringLiteral("  not converted: %1%2\n")
                    .arg(blockingReason(skeleton),
                         version.isEmpty() ? QString() : QStringLiteral(" (data version %1)").arg(version));
        return text + QStringLiteral("  verdict: %1\n").arg(verdict);
    }
    text += QStringLiteral("  format: %1, data version %2 (line %3)\n")
                .arg(formatName(detection.format), versionText(detection.version),
                     QString::fromStdString(record.line()));
    text += QStringLiteral("  atlas: %1\n").arg(record.atlas.empty() ? QStringLiteral("none found")
                                                                    : pathText(record.atlas));
    if (record.atlasState == AtlasState::Unreadable)
        text += QStringLiteral("  atlas error: %1\n").arg(QString::fromStdString(record.atlasError));
    for (const PageRecord &page : record.pages) {
        text += QStringLiteral("  page: %1 (scale %2, premultiplied alpha %3)\n")
                    .arg(utf8(page.name), QString::number(page.scale), yesNo(page.pma));
    }
    const QStringList missing = missingPages(record);
    if (!missing.isEmpty())
        text += QStringLiteral("  missing pages: %1\n").arg(missing.join(QStringLiteral(", ")));
    if (skeleton.editorVersion)
        text += QStringLiteral("  editor version: %1 (%2)\n")
                    .arg(versionText(skeleton.editorVersion), skeleton.editorVersionSource);
    return text + QStringLiteral("  verdict: %1\n").arg(verdict);
}

} // namespace

std::optional<SpineVersion> EditorVersionResolver::probedVersion(const std::string &line)
{
    if (situation.editorPath.empty())
        return std::nullopt;
    const QString key = QString::fromStdString(line);
    const auto known = answers.constFind(key);
    if (known != answers.constEnd())
        return *known;
    const std::optional<SpineVersion> version = resolveEditorVersion(line, situation.editorPath);
    answers.insert(key, version);
    return version;
}

std::string_view verdictName(InspectVerdict verdict)
{
    switch (verdict) {
    case InspectVerdict::Ready:
        return "ready";
    case InspectVerdict::MissingAtlas:
        return "missing-atlas";
    case InspectVerdict::UnreadableAtlas:
        return "unreadable-atlas";
    case InspectVerdict::MissingPage:
        return "missing-page";
    case InspectVerdict::NoEditor:
        return "no-editor";
    case InspectVerdict::NotCached:
        return "not-cached";
    case InspectVerdict::NoSuitableVersion:
        return "no-suitable-version";
    case InspectVerdict::Unsupported:
        return "unsupported";
    case InspectVerdict::Unrecognized:
        return "unrecognized";
    case InspectVerdict::OpenFailed:
        return "open-failed";
    case InspectVerdict::ChangedWhileReading:
        return "changed-while-reading";
    }
    return "unrecognized";
}

bool isSpineSkeleton(const InspectedSkeleton &skeleton)
{
    const DetectionStatus status = skeleton.record().detection.status;
    return status == DetectionStatus::Supported || status == DetectionStatus::Unsupported;
}

QString InspectedSkeleton::path() const
{
    return QDir::cleanPath(QFileInfo(toQString(record().skeleton)).absoluteFilePath());
}

std::vector<InspectedSkeleton> inspectSkeletons(const QStringList &paths, EditorVersionResolver &resolver)
{
    std::vector<InspectedSkeleton> skeletons;
    for (const IntakeOutcome &outcome : takeIn(paths)) {
        skeletons.push_back(inspect(outcome, resolver));
        skeletons.back().folder = folderWithinRoot(outcome);
    }
    return skeletons;
}

QString blockingReason(const InspectedSkeleton &skeleton)
{
    const ExportRecord &record = skeleton.record();
    switch (skeleton.verdict) {
    case InspectVerdict::Ready:
        return QString();
    case InspectVerdict::MissingAtlas:
        return QStringLiteral("no companion atlas found");
    case InspectVerdict::UnreadableAtlas:
        return QStringLiteral("atlas unreadable: %1").arg(QString::fromStdString(record.atlasError));
    case InspectVerdict::MissingPage:
        return QStringLiteral("missing page images: %1").arg(missingPages(record).join(QStringLiteral(", ")));
    case InspectVerdict::NoEditor:
        return QStringLiteral("no Spine Editor found (name one with --editor)");
    case InspectVerdict::NotCached:
        return QStringLiteral("Spine %1 was found but is not cached; converting would trigger a download")
            .arg(versionText(skeleton.editorVersion));
    case InspectVerdict::NoSuitableVersion:
        return QStringLiteral("no editor version of line %1 is cached or reported by the editor")
            .arg(QString::fromStdString(skeleton.readiness.line));
    case InspectVerdict::ChangedWhileReading:
        return QStringLiteral("the file kept changing while it was read; inspect it again once it is written");
    case InspectVerdict::Unsupported:
    case InspectVerdict::Unrecognized:
    case InspectVerdict::OpenFailed:
        break;
    }
    return QString::fromStdString(record.detection.message);
}

QJsonObject inspectionJson(const std::vector<InspectedSkeleton> &records, const EditorSituation &editor)
{
    QJsonArray cached;
    for (const SpineVersion &version : editor.cachedVersions)
        cached.append(QString::fromStdString(version.fullText()));
    QJsonObject editorObject;
    editorObject.insert(QStringLiteral("path"), textOrNull(pathText(editor.editorPath)));
    editorObject.insert(QStringLiteral("cachedVersions"), cached);
    QJsonArray skeletons;
    for (const InspectedSkeleton &record : records)
        skeletons.append(skeletonJson(record));
    QJsonObject root;
    root.insert(QStringLiteral("schema"), QStringLiteral("kovexa-inspect/1"));
    root.insert(QStringLiteral("editor"), editorObject);
    root.insert(QStringLiteral("skeletons"), skeletons);
    return root;
}

QString inspectionText(const std::vector<InspectedSkeleton> &records, const EditorSituation &editor)
{
    const std::string cached = versionListText(editor.cachedVersions, ", ");
    QString text = QStringLiteral("Spine Editor: %1\nCached editor versions: %2\n\n")
                       .arg(editor.editorPath.empty() ? QStringLiteral("not found") : pathText(editor.editorPath),
                            cached.empty() ? QStringLiteral("none") : QString::fromStdString(cached));
    qsizetype skeletons = 0;
    qsizetype ready = 0;
    QString skipped;
    for (const InspectedSkeleton &record : records) {
        if (!isSpineSkeleton(record)) {
            skipped += QStringLiteral("skipped %1: %2\n").arg(record.path(), blockingReason(record));
            continue;
        }
        text += skeletonText(record) + QLatin1Char('\n');
        ++skeletons;
        ready += record.verdict == InspectVerdict::Ready ? 1 : 0;
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
