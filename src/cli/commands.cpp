#include "cli/commands.h"

#include "assets/qt/exportreading.h"
#include "cli/inspection.h"
#include "cli/rendering.h"
#include "cli/unpacking.h"
#include "common/outputfolder.h"
#include "common/qt/pathtext.h"
#include "common/qt/terminationrequests.h"
#include "conversion/qt/batchconversion.h"
#include "conversion/qt/looseimages.h"
#include "editor/editordiscovery.h"
#include "editor/qt/editorlocator.h"
#include "preview/qt/pluginfolder.h"
#include "render/qt/renderbatch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>

namespace kvx {
namespace {

QString indented(const QString &text)
{
    QString lines = text.trimmed();
    lines.replace(QLatin1Char('\n'), QStringLiteral("\n    "));
    return lines;
}

QString englishLine(const Failure &failure)
{
    return QString::fromStdString(englishText(failure));
}

// The paths that exist; each other one is named on err.
struct ExistingPaths {
    QStringList paths;
    bool someMissing = false;
};

ExistingPaths existingPaths(const QStringList &paths, QTextStream &err)
{
    ExistingPaths result;
    for (const QString &path : paths) {
        if (QFileInfo::exists(path)) {
            result.paths.append(path);
        } else {
            err << "kovexa-cli: no such file or folder: " << path << '\n';
            result.someMissing = true;
        }
    }
    err.flush();
    return result;
}

// A missing PATH turns success into failure; a stop or a failure keeps its own code.
int withMissingPaths(int exitCode, const ExistingPaths &paths)
{
    return exitCode == kExitSuccess && paths.someMissing ? kExitFailure : exitCode;
}

std::optional<OutputFolder> prepareOutput(const QString &folder, QTextStream &err)
{
    Result<OutputFolder> output = OutputFolder::prepare(toPath(folder));
    if (output)
        return std::move(*output);
    if (output.failure().kind == FailureKind::NotAFolder)
        err << "kovexa-cli: --output " << folder << " is not a folder\n";
    else
        err << "kovexa-cli: cannot use --output " << folder << ": " << englishLine(output.failure()) << '\n';
    return std::nullopt;
}

// Runs work on a thread of its own while the event loop takes termination requests.
template <typename Work>
auto runBesideEventLoop(Work work) -> decltype(work())
{
    std::optional<decltype(work())> result;
    QEventLoop loop;
    std::thread worker([&] {
        result.emplace(work());
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    return std::move(*result);
}

// One line per atlas, and whether it was written whole.
bool reportUnpacked(const AtlasToUnpack &atlas, const Result<LooseImagesReport> &outcome, QTextStream &out)
{
    if (!outcome) {
        out << "failed " << atlas.atlasPath << ":\n    " << englishLine(outcome.failure()) << '\n';
        return false;
    }
    const LooseImagesReport &report = *outcome;
    const QString images = QStringLiteral("%1 image(s)").arg(report.imagesWritten);
    if (report.complete()) {
        out << "unpacked " << atlas.atlasPath << " -> " << report.folder << " (" << images << ")\n";
        return true;
    }
    out << "failed " << atlas.atlasPath;
    if (!report.folder.isEmpty())
        out << " -> " << report.folder;
    out << " (" << images << ", " << report.leftOut.size() << " left out):\n";
    for (const Failure &leftOut : report.leftOut)
        out << "    " << englishLine(leftOut) << '\n';
    return false;
}

struct UnpackTally {
    qsizetype unpacked = 0;
    qsizetype failed = 0;
    bool stopped = false;
};

// Each atlas on a thread of its own while the event loop takes Ctrl+C; a stopped atlas leaves nothing.
UnpackTally unpackAtlases(const std::vector<AtlasToUnpack> &atlases, const QString &outputFolder, bool straightAlpha,
                          QTextStream &out, QTextStream &err)
{
    std::atomic<bool> stopRequested = false;
    const TerminationRequests stopRequests([&stopRequested, &err] {
        err << "kovexa-cli: stopping\n";
        err.flush();
        stopRequested = true;
    });
    const auto stop = [&stopRequested] { return stopRequested.load(); };
    UnpackTally tally;
    for (const AtlasToUnpack &atlas : atlases) {
        if (stop())
            break;
        const LooseImagesRequest request{atlas.atlasPath, outputFolder, atlas.folderName, straightAlpha};
        const Result<LooseImagesReport> outcome = runBesideEventLoop([&] { return writeLooseImages(request, stop); });
        if (!outcome && outcome.failure().kind == FailureKind::Cancelled)
            break;
        (reportUnpacked(atlas, outcome, out) ? tally.unpacked : tally.failed) += 1;
        out.flush();
    }
    tally.stopped = stop();
    return tally;
}

// --editor, checked as the window checks a chosen editor; otherwise the window's own lookup.
bool chooseEditor(const CliArguments &arguments, EditorSituation &situation, QTextStream &err)
{
    situation = currentEditorSituation();
    if (arguments.editorPath.isEmpty())
        return true;
    const std::optional<std::filesystem::path> executable = normalizeSpineExecutable(toPath(arguments.editorPath));
    if (!executable) {
        err << "kovexa-cli: --editor " << arguments.editorPath << " is not a Spine Editor executable\n";
        return false;
    }
    situation.editorPath = *executable;
    return true;
}

// Each skeleton goes where it lay below the path handed over, below the output folder.
QList<BatchItem> batchItems(const std::vector<InspectedSkeleton> &skeletons, const QString &outputFolder,
                            QTextStream &out)
{
    QList<BatchItem> items;
    for (const InspectedSkeleton &skeleton : skeletons) {
        if (!skeleton.record().supported()) {
            out << "skipped " << skeleton.path() << ": " << blockingReason(skeleton) << '\n';
            continue;
        }
        const std::optional<SpineVersion> &version = skeleton.editorVersion;
        std::optional<Failure> notReady;
        if (skeleton.verdict != InspectVerdict::Ready)
            notReady = failure(FailureKind::ExportNotReady, blockingReason(skeleton).toStdString());
        items.append(BatchItem{skeleton.record(), version ? QString::fromStdString(version->fullText()) : QString(),
                               notReady, keptPlaceFolder(outputFolder, skeleton.folder)});
    }
    return items;
}

// The skeletons to render, by the intake rules; files that are none are named on out.
std::vector<SkeletonToRender> skeletonsToRender(const QStringList &paths, const QString &atlas,
                                                const SurveyRequest &choice, QTextStream &out)
{
    std::vector<SkeletonToRender> skeletons;
    for (const IntakeOutcome &outcome : takeIn(paths)) {
        const QString path = QFileInfo(toQString(outcome.record.skeleton)).absoluteFilePath();
        if (outcome.verdict != IntakeVerdict::Listed) {
            out << "skipped " << path << ": " << QString::fromStdString(outcome.record.detection.message) << '\n';
            continue;
        }
        ExportRecord record = outcome.record;
        if (atlas.isEmpty())
            refreshExport(record);
        else
            record = readExportWithAtlas(path, atlas);
        skeletons.push_back({std::move(record), choice});
    }
    return skeletons;
}

QString outputLabel(const RenderOutcome &outcome)
{
    QString label = outcome.skeletonPath;
    if (outcome.output < 0)
        return label;
    label += QLatin1Char(' ') + (outcome.animation.isEmpty() ? QStringLiteral("(setup pose)") : outcome.animation);
    if (!outcome.skin.isEmpty())
        label += QStringLiteral(", skin ") + outcome.skin;
    return label;
}

void reportRendered(const RenderOutcome &outcome, QTextStream &out)
{
    if (outcome.stopped)
        return;
    if (outcome.failure)
        out << "failed " << outputLabel(outcome) << ":\n    " << indented(englishLine(*outcome.failure)) << '\n';
    else
        out << "rendered " << outputLabel(outcome) << " -> " << toQString(outcome.written) << " (" << outcome.frames
            << (outcome.frames == 1 ? " frame)\n" : " frames)\n");
    out.flush();
}

struct RenderTally {
    qsizetype rendered = 0;
    qsizetype failed = 0;
    qsizetype stopped = 0;
};

RenderTally tally(const std::vector<RenderOutcome> &outcomes)
{
    RenderTally counts;
    for (const RenderOutcome &outcome : outcomes)
        (outcome.stopped ? counts.stopped : outcome.failure ? counts.failed : counts.rendered) += 1;
    return counts;
}

// An animation or skin a skeleton lacks: what it has, on err.
void reportUnknownNames(const std::vector<RenderOutcome> &outcomes, QTextStream &err)
{
    for (const RenderOutcome &outcome : outcomes) {
        if (outcome.failure && (outcome.failure->kind == FailureKind::AnimationUnknown
                                || outcome.failure->kind == FailureKind::SkinUnknown))
            err << "kovexa-cli: " << outcome.skeletonPath << ": " << englishLine(*outcome.failure) << '\n';
    }
    err.flush();
}

} // namespace

int runInspect(const CliArguments &arguments, QTextStream &out, QTextStream &err)
{
    const ExistingPaths paths = existingPaths(arguments.paths, err);
    if (paths.paths.isEmpty())
        return kExitUsage;
    EditorVersionResolver resolver(currentEditorSituation());
    const std::vector<InspectedSkeleton> records = inspectSkeletons(paths.paths, resolver);
    if (arguments.json)
        out << QJsonDocument(inspectionJson(records, resolver.editor())).toJson(QJsonDocument::Indented);
    else
        out << inspectionText(records, resolver.editor());
    return withMissingPaths(std::any_of(records.begin(), records.end(), isSpineSkeleton) ? kExitSuccess : kExitFailure,
                            paths);
}

int runConvert(const CliArguments &arguments, QTextStream &out, QTextStream &err)
{
    EditorSituation situation;
    if (!chooseEditor(arguments, situation, err))
        return kExitUsage;
    const ExistingPaths paths = existingPaths(arguments.paths, err);
    if (paths.paths.isEmpty())
        return kExitUsage;
    const std::optional<OutputFolder> output = prepareOutput(arguments.outputFolder, err);
    if (!output)
        return kExitUsage;
    EditorVersionResolver resolver(situation);
    const std::vector<InspectedSkeleton> records = inspectSkeletons(paths.paths, resolver);
    const QList<BatchItem> items = batchItems(records, toQString(output->path()), out);
    if (items.isEmpty()) {
        output->removeCreatedIfEmpty();
        out << "no skeleton to convert\n";
        out.flush();
        return kExitFailure;
    }

    BatchConversion batch(toQString(situation.editorPath), toQString(output->path()), arguments.straightAlpha, items);
    QObject::connect(&batch, &BatchConversion::itemFinished, &batch, [&out](const BatchOutcome &outcome) {
        if (outcome.result)
            out << "converted " << outcome.skeletonPath << " -> " << *outcome.result << '\n';
        else
            out << "failed " << outcome.skeletonPath << ":\n    "
                << indented(QString::fromStdString(englishText(outcome.result.failure()))) << '\n';
        out.flush();
    });
    int exitCode = kExitSuccess;
    QObject::connect(&batch, &BatchConversion::finished, &batch, [&](bool stopped) {
        qsizetype succeeded = 0;
        for (const BatchOutcome &outcome : batch.outcomes())
            succeeded += outcome.result ? 1 : 0;
        const qsizetype failed = batch.completed() - succeeded;
        out << succeeded << " converted, " << failed << " failed";
        if (stopped)
            out << ", " << (batch.total() - batch.completed()) << " not converted (stopped)";
        out << '\n';
        out.flush();
        exitCode = stopped ? kExitInterrupted : (failed > 0 ? kExitFailure : kExitSuccess);
        QCoreApplication::quit();
    });
    // Ctrl+C and termination requests stop the batch on the event loop; the running editor is
    // killed and its working folder removed before the summary.
    const TerminationRequests stopRequests([&batch, &err] {
        err << "kovexa-cli: stopping\n";
        err.flush();
        batch.stop();
    });
    batch.start();
    QCoreApplication::exec();
    output->removeCreatedIfEmpty();
    return withMissingPaths(exitCode, paths);
}

int runUnpack(const CliArguments &arguments, QTextStream &out, QTextStream &err)
{
    const ExistingPaths paths = existingPaths(arguments.paths, err);
    if (paths.paths.isEmpty())
        return kExitUsage;
    const std::optional<OutputFolder> output = prepareOutput(arguments.outputFolder, err);
    if (!output)
        return kExitUsage;
    const UnpackPlan plan = planUnpack(paths.paths);
    for (const QString &line : plan.skippedLines + plan.failedLines)
        out << line << '\n';
    if (plan.atlases.empty()) {
        output->removeCreatedIfEmpty();
        out << "no atlas to unpack\n";
        out.flush();
        return kExitFailure;
    }

    const UnpackTally tally = unpackAtlases(plan.atlases, toQString(output->path()), arguments.straightAlpha, out, err);
    output->removeCreatedIfEmpty();
    const qsizetype failed = plan.failedLines.size() + tally.failed;
    out << tally.unpacked << " unpacked, " << failed << " failed";
    if (tally.stopped)
        out << ", " << (static_cast<qsizetype>(plan.atlases.size()) - tally.unpacked - tally.failed) << " not unpacked (stopped)";
    out << '\n';
    out.flush();
    if (tally.stopped)
        return kExitInterrupted;
    return withMissingPaths(failed > 0 ? kExitFailure : kExitSuccess, paths);
}

int runRender(const CliArguments &arguments, QTextStream &out, QTextStream &err)
{
    const std::variant<RenderCommand, QString> command = renderCommandFrom(arguments);
    if (const QString *mistake = std::get_if<QString>(&command)) {
        err << "kovexa-cli: " << *mistake << "\nTry 'kovexa-cli render --help'.\n";
        return kExitUsage;
    }
    const RenderCommand &render = std::get<RenderCommand>(command);
    const ExistingPaths paths = existingPaths(arguments.paths, err);
    if (paths.paths.isEmpty())
        return kExitUsage;
    if (!arguments.atlasPath.isEmpty() && !QFileInfo(arguments.atlasPath).isFile()) {
        err << "kovexa-cli: --atlas " << arguments.atlasPath << " is not a file\n";
        return kExitUsage;
    }
    std::vector<SkeletonToRender> skeletons = skeletonsToRender(paths.paths, arguments.atlasPath, render.choice, out);
    if (render.premultipliedPages) {
        for (SkeletonToRender &skeleton : skeletons)
            skeleton.record.takePagesAs(*render.premultipliedPages);
    }
    if (!arguments.atlasPath.isEmpty() && skeletons.size() > 1) {
        err << "kovexa-cli: --atlas needs exactly one skeleton, and " << skeletons.size() << " were found\n";
        return kExitUsage;
    }
    if (skeletons.empty()) {
        out << "no skeleton to render\n";
        out.flush();
        return kExitFailure;
    }
    const std::optional<OutputFolder> output = prepareOutput(arguments.outputFolder, err);
    if (!output)
        return kExitUsage;

    RenderRequest request{std::move(skeletons), render.settings, output->path(), installedPluginFolder(), render.jobs, true};
    RenderBatch batch(std::move(request));
    QObject::connect(&batch, &RenderBatch::outputFinished, &batch, [&batch, &out](const RenderOutcome &outcome) {
        if (!batch.refusedNames())
            reportRendered(outcome, out);
    });
    bool stopped = false;
    QEventLoop loop;
    QObject::connect(&batch, &RenderBatch::finished, &loop, [&](bool wasStopped) {
        stopped = wasStopped;
        loop.quit();
    });
    const TerminationRequests stopRequests([&batch, &err] {
        err << "kovexa-cli: stopping\n";
        err.flush();
        batch.cancel();
    });
    batch.start();
    loop.exec();
    output->removeCreatedIfEmpty();
    if (batch.refusedNames()) {
        reportUnknownNames(batch.outcomes(), err);
        return kExitUsage;
    }
    const RenderTally counts = tally(batch.outcomes());
    out << counts.rendered << " rendered, " << counts.failed << " failed";
    if (stopped)
        out << ", " << (qsizetype(batch.plannedOutputs().size()) - counts.rendered - counts.failed) << " not rendered (stopped)";
    out << '\n';
    out.flush();
    if (stopped)
        return kExitInterrupted;
    return withMissingPaths(counts.failed > 0 ? kExitFailure : kExitSuccess, paths);
}

} // namespace kvx
