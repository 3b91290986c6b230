#include "cli/commands.h"

#include "cli/inspection.h"
#include "common/qt/terminationrequests.h"
#include "common/qt/pathtext.h"
#include "conversion/qt/batchconversion.h"
#include "editor/editordiscovery.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>

namespace kvx {
namespace {

QString indented(const QString &text)
{
    QString lines = text.trimmed();
    lines.replace(QLatin1Char('\n'), QStringLiteral("\n    "));
    return lines;
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
    situation.editorPath = toQString(*executable);
    return true;
}

QList<BatchItem> batchItems(const std::vector<SkeletonRecord> &records, QTextStream &out)
{
    QList<BatchItem> items;
    for (const SkeletonRecord &record : records) {
        if (record.found.detection.status != DetectionStatus::Supported) {
            out << "skipped " << record.found.path << ": " << blockingReason(record) << '\n';
            continue;
        }
        items.append(BatchItem{record.found.path, record.readiness.exportCheck.atlasPath, record.editorVersion,
                               blockingReason(record)});
    }
    return items;
}

} // namespace

int runInspect(const CliArguments &arguments, QTextStream &out, QTextStream &)
{
    EditorVersionResolver resolver(currentEditorSituation());
    const std::vector<SkeletonRecord> records = inspectSkeletons(arguments.paths, resolver);
    if (arguments.json)
        out << QJsonDocument(inspectionJson(records, resolver.editor())).toJson(QJsonDocument::Indented);
    else
        out << inspectionText(records, resolver.editor());
    return records.empty() ? kExitFailure : kExitSuccess;
}

int runConvert(const CliArguments &arguments, QTextStream &out, QTextStream &err)
{
    const QFileInfo output(arguments.outputFolder);
    if (output.exists() && !output.isDir()) {
        err << "kovexa-cli: --output " << arguments.outputFolder << " is not a folder\n";
        return kExitUsage;
    }
    EditorSituation situation;
    if (!chooseEditor(arguments, situation, err))
        return kExitUsage;
    EditorVersionResolver resolver(situation);
    const std::vector<SkeletonRecord> records = inspectSkeletons(arguments.paths, resolver);
    const QList<BatchItem> items = batchItems(records, out);
    if (items.isEmpty()) {
        out << "no skeleton to convert\n";
        out.flush();
        return kExitFailure;
    }

    BatchConversion batch(situation.editorPath, output.absoluteFilePath(), arguments.straightAlpha, items);
    QObject::connect(&batch, &BatchConversion::itemFinished, &batch, [&out](const BatchOutcome &outcome) {
        if (outcome.success)
            out << "converted " << outcome.skeletonPath << " -> " << outcome.outputDirectory << '\n';
        else
            out << "failed " << outcome.skeletonPath << ":\n    " << indented(outcome.error) << '\n';
        out.flush();
    });
    int exitCode = kExitSuccess;
    QObject::connect(&batch, &BatchConversion::finished, &batch, [&](bool stopped) {
        qsizetype succeeded = 0;
        for (const BatchOutcome &outcome : batch.outcomes())
            succeeded += outcome.success ? 1 : 0;
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
    return exitCode;
}

} // namespace kvx
