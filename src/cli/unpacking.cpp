#include "cli/unpacking.h"

#include "assets/qt/companionfiles.h"
#include "assets/qt/intake.h"
#include "common/qt/pathtext.h"

#include <QFileInfo>
#include <QSet>

namespace kvx {
namespace {

class Plan {
public:
    void add(const QString &atlasPath, const QString &folderName)
    {
        const QFileInfo atlas(atlasPath);
        const QString key = atlas.canonicalFilePath().isEmpty() ? atlas.absoluteFilePath() : atlas.canonicalFilePath();
        if (seen.contains(key))
            return;
        seen.insert(key);
        plan.atlases.push_back({atlas.absoluteFilePath(), folderName});
    }

    UnpackPlan plan;

private:
    QSet<QString> seen;
};

// *.atlas and *.atlas.txt, ignoring case.
bool hasAtlasSuffix(const QString &path)
{
    return path.endsWith(QLatin1String(".atlas"), Qt::CaseInsensitive)
        || path.endsWith(QLatin1String(".atlas.txt"), Qt::CaseInsensitive);
}

QString atlasBaseName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype suffix = name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive) ? 10 : 6;
    return name.chopped(suffix);
}

} // namespace

UnpackPlan planUnpack(const QStringList &paths)
{
    Plan plan;
    for (const QString &path : paths) {
        const QFileInfo named(path);
        if (named.isFile() && hasAtlasSuffix(path))
            plan.add(path, atlasBaseName(path));
    }
    for (const IntakeOutcome &outcome : takeIn(paths)) {
        const QString skeletonPath = toQString(outcome.record.skeleton);
        const VersionDetection &detection = outcome.record.detection;
        const DetectionStatus status = detection.status;
        if (status != DetectionStatus::Supported && status != DetectionStatus::Unsupported) {
            plan.plan.skippedLines.append(
                QStringLiteral("skipped %1: %2").arg(QFileInfo(skeletonPath).absoluteFilePath(), QString::fromStdString(detection.message)));
            continue;
        }
        const QString atlas = findCompanionAtlas(skeletonPath);
        if (atlas.isEmpty())
            plan.plan.failedLines.append(
                QStringLiteral("failed %1:\n    no companion atlas found").arg(QFileInfo(skeletonPath).absoluteFilePath()));
        else
            plan.add(atlas, QFileInfo(skeletonPath).completeBaseName());
    }
    return std::move(plan.plan);
}

} // namespace kvx
