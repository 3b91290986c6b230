#include "app/exportcontroller.h"

#include "app/exportdialog.h"
#include "app/failuretext.h"
#include "app/previewcontroller.h"
#include "app/viewsettings.h"
#include "assets/qt/exportreading.h"
#include "common/qt/pathtext.h"
#include "render/qt/renderbatch.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace kvx {
namespace {

// One core is left to the window and the preview, which keep playing meanwhile.
int exportJobs()
{
    return std::max(1, QThread::idealThreadCount() - 1);
}

SkeletonToRender skeletonToRender(const ExportRecord &record, const ExportSubject &subject, bool allAnimations,
                                  bool allSkins)
{
    SkeletonToRender skeleton{record, {}};
    // The pages' alpha as the preview takes it, so that what is written is what was shown.
    if (subject.premultipliedPages)
        skeleton.record.takePagesAs(*subject.premultipliedPages);
    skeleton.choice.animations.all = allAnimations;
    if (!allAnimations && !subject.animation.isEmpty())
        skeleton.choice.animations.names.push_back(subject.animation.toStdString());
    skeleton.choice.skins.all = allSkins;
    if (!allSkins) {
        for (const QString &skin : subject.skins)
            skeleton.choice.skins.names.push_back(skin.toStdString());
        skeleton.choice.combineSkins = true; // as the preview shows them
    }
    return skeleton;
}

QString nativePath(const std::filesystem::path &path)
{
    return QDir::toNativeSeparators(toQString(path));
}

bool isWithin(const std::filesystem::path &path, const std::filesystem::path &folder)
{
    const std::filesystem::path relative = path.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

// The deepest folder below root that holds every path (root when none is given).
std::filesystem::path commonFolder(const std::vector<std::filesystem::path> &paths, const std::filesystem::path &root)
{
    if (paths.empty())
        return root;
    std::filesystem::path common = paths.front().parent_path();
    for (const std::filesystem::path &path : paths) {
        while (common.has_relative_path() && common != root && !isWithin(path, common))
            common = common.parent_path();
    }
    return isWithin(common, root) || common == root ? common : root;
}

// Each output's name as the summary lists it: its animation, and its skin where it has one; the
// skeleton's name for a failure of the skeleton itself.
QString outputLabel(const RenderOutcome &outcome)
{
    if (outcome.output < 0)
        return QFileInfo(outcome.skeletonPath).fileName();
    const QString animation = outcome.animation.isEmpty() ? ExportController::tr("初始姿势") : outcome.animation;
    return outcome.skin.isEmpty() ? animation : ExportController::tr("%1（皮肤 %2）").arg(animation, outcome.skin);
}

} // namespace

ExportController::ExportController(ExportCatalog &catalog, const WindowDialogs &dialogs, QWidget *window)
    : QObject(window), catalog(catalog), dialogs(dialogs), window(window)
{
}

ExportController::~ExportController()
{
    delete batch.data(); // cancels and waits for its jobs, which remove what they had not finished
    if (images) {
        stopImages->store(true);
        images->waitForFinished();
    }
}

QString ExportController::rememberedFolder() const
{
    return readViewSettings().exportFolder;
}

void ExportController::remember(const QString &folder)
{
    storeExportFolder(folder);
}

bool ExportController::prepareFolder(const QString &folder, const QString &title)
{
    Result<OutputFolder> prepared = OutputFolder::prepare(toPath(folder));
    if (!prepared) {
        dialogs.showMessage(window, QMessageBox::Critical, title,
                            tr("无法使用输出文件夹 %1：\n%2")
                                .arg(QDir::toNativeSeparators(folder), FailureText::of(prepared.failure())));
        return false;
    }
    outputFolder = std::move(*prepared);
    return true;
}

bool ExportController::exportAnimations(const ExportSubject &subject)
{
    if (running || subject.skeletonPath.isEmpty() || !dialogs.chooseAnimationExport)
        return false;
    AnimationExportOffer offer{QFileInfo(subject.skeletonPath).fileName(), subject.animation,
                               subject.skins.join(QStringLiteral(" + ")), lastChoice};
    offer.initial.outputFolder = rememberedFolder();
    const std::optional<AnimationExportChoice> choice = dialogs.chooseAnimationExport(window, offer);
    if (!choice)
        return false;
    lastChoice = *choice;
    if (const QString refused = ExportDialog::refusalOf(*choice); !refused.isEmpty()) {
        dialogs.showMessage(window, QMessageBox::Critical, tr("导出动画"), refused);
        return false;
    }
    if (!prepareFolder(choice->outputFolder, tr("导出动画")))
        return false;
    remember(choice->outputFolder);
    RenderRequest request;
    request.settings = renderSettingsOf(*choice);
    request.skeletons.push_back(
        skeletonToRender(catalog.current(subject.skeletonPath), subject, choice->allAnimations, choice->allSkins));
    startRender(request, Task::Animations);
    return true;
}

bool ExportController::exportFrame(const ExportSubject &subject, double seconds, const Camera &camera)
{
    if (running || subject.skeletonPath.isEmpty())
        return false;
    RenderRequest request;
    request.settings.time = seconds;
    request.settings.framing.camera = camera;
    if (const Status checked = checkRenderSettings(request.settings); !checked) {
        dialogs.showMessage(window, QMessageBox::Critical, tr("导出当前帧"), FailureText::of(checked.failure()));
        return false;
    }
    // A remembered folder that is gone (a drive taken away, say) is asked for again.
    QString folder = rememberedFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = dialogs.chooseOutputFolder(window, QFileInfo(subject.skeletonPath).absolutePath());
    if (folder.isEmpty() || !prepareFolder(folder, tr("导出当前帧")))
        return false;
    remember(folder);
    request.skeletons.push_back(skeletonToRender(catalog.current(subject.skeletonPath), subject, false, false));
    startRender(request, Task::Frame);
    return true;
}

void ExportController::startRender(const RenderRequest &settingsAndSkeletons, Task task)
{
    RenderRequest request = settingsAndSkeletons;
    request.outputFolder = outputFolder->path();
    request.pluginFolder = windowPluginFolder();
    request.jobs = exportJobs();
    running = task;
    framesWritten.clear();
    framesPlanned = 0;
    outputsDone = 0;
    batch = new RenderBatch(std::move(request), this);
    connect(batch, &RenderBatch::planned, this, [this](int count) {
        framesWritten.assign(std::size_t(count), 0);
        for (const PlannedOutput &output : batch->plannedOutputs())
            framesPlanned += output.frames;
        reportProgress();
    });
    connect(batch, &RenderBatch::outputProgress, this, [this](int output, qint64 written, qint64) {
        framesWritten.at(std::size_t(output)) = written;
        reportProgress();
    });
    connect(batch, &RenderBatch::outputFinished, this, [this](const RenderOutcome &outcome) {
        outputsDone += outcome.output >= 0 ? 1 : 0;
        reportProgress();
    });
    connect(batch, &RenderBatch::finished, this, &ExportController::finishRender);
    emit started(task);
    emit progress(0, 0, [task] { return task == Task::Frame ? tr("正在导出当前帧…") : tr("正在准备导出…"); });
    batch->start();
}

void ExportController::reportProgress()
{
    if (!batch || framesWritten.empty())
        return;
    qint64 done = 0;
    for (const qint64 frames : framesWritten)
        done += frames;
    const LiveText status = [frame = running == Task::Frame, finished = outputsDone, planned = qint64(framesWritten.size())] {
        return frame ? tr("正在导出当前帧…") : tr("正在导出动画：已完成 %1 / %2 个").arg(finished).arg(planned);
    };
    emit progress(done, framesPlanned, status);
}

void ExportController::cancel()
{
    if (batch)
        batch->cancel();
    else if (images)
        stopImages->store(true);
    else
        return;
    emit progress(0, 0, [] { return tr("正在取消导出…"); });
}

void ExportController::finishRender(bool stopped)
{
    RenderBatch *ended = batch;
    batch = nullptr;
    ended->deleteLater();
    outputFolder->removeCreatedIfEmpty();
    if (running == Task::Frame)
        finishFrame(*ended, stopped);
    else
        finishAnimations(*ended, stopped);
    outputFolder.reset();
}

void ExportController::finishAnimations(const RenderBatch &ended, bool stopped)
{
    QStringList succeeded;
    QStringList failed;
    std::vector<std::filesystem::path> written;
    for (const RenderOutcome &outcome : ended.outcomes()) {
        if (outcome.succeeded()) {
            succeeded.append(tr("%1 → %2").arg(outputLabel(outcome), nativePath(outcome.written)));
            written.push_back(outcome.written);
        } else if (outcome.failure) {
            failed.append(tr("%1：%2").arg(outputLabel(outcome), FailureText::of(*outcome.failure).trimmed()));
        }
    }
    const LiveText title = [stopped] { return stopped ? tr("导出已取消") : tr("导出动画完成"); };
    if (stopped && succeeded.isEmpty() && failed.isEmpty()) {
        end(title, LiveText());
        return;
    }
    const qsizetype notExported = qsizetype(ended.plannedOutputs().size()) - succeeded.size()
        - std::count_if(ended.outcomes().begin(), ended.outcomes().end(),
                        [](const RenderOutcome &outcome) { return outcome.output >= 0 && outcome.failure; });
    const LiveText counts = [succeededCount = succeeded.size(), failedCount = failed.size(), stopped, notExported] {
        QString text = tr("成功 %1 个，失败 %2 个").arg(succeededCount).arg(failedCount);
        if (stopped)
            text += tr("，已取消（%1 个未导出）").arg(notExported);
        return text;
    };
    QStringList sections;
    if (!succeeded.isEmpty())
        sections.append(tr("成功：\n%1").arg(succeeded.join(QLatin1Char('\n'))));
    if (!failed.isEmpty())
        sections.append(tr("失败：\n%1").arg(failed.join(QLatin1Char('\n'))));
    end(title, counts);
    const QString folder = toQString(commonFolder(written, outputFolder->path()));
    dialogs.show(window, WindowMessage{failed.isEmpty() && !stopped ? QMessageBox::Information : QMessageBox::Warning,
                                       title.text(), counts.text(), QString(), sections.join(QStringLiteral("\n\n")),
                                       written.empty() ? QString() : tr("打开输出文件夹"), openFolderAction(folder)});
}

void ExportController::finishFrame(const RenderBatch &ended, bool stopped)
{
    const auto found = std::find_if(ended.outcomes().begin(), ended.outcomes().end(),
                                    [](const RenderOutcome &outcome) { return outcome.succeeded() || outcome.failure; });
    if (found == ended.outcomes().end() || (stopped && !found->succeeded())) {
        end([] { return tr("导出已取消"); }, LiveText());
        return;
    }
    if (found->failure) {
        const QString reason = FailureText::of(*found->failure).trimmed();
        end([] { return tr("当前帧未能导出"); },
            [failure = *found->failure] { return FailureText::of(failure).trimmed(); });
        dialogs.showMessage(window, QMessageBox::Critical, tr("导出当前帧"), tr("当前帧未能导出：\n%1").arg(reason));
        return;
    }
    const QString file = nativePath(found->written);
    end([] { return tr("当前帧已导出"); }, LiveText::fixed(file));
    dialogs.show(window, WindowMessage{QMessageBox::Information, tr("导出当前帧"), tr("当前帧已导出到：\n%1").arg(file),
                                       QString(), QString(), tr("打开输出文件夹"),
                                       openFolderAction(toQString(found->written.parent_path()))});
}

bool ExportController::exportImages(const QString &skeletonPath, bool straightAlpha)
{
    if (running || skeletonPath.isEmpty())
        return false;
    const ExportRecord &record = catalog.current(skeletonPath);
    if (record.atlas.empty() || record.atlasState == AtlasState::None) {
        dialogs.showMessage(window, QMessageBox::Critical, tr("导出图片"),
                            FailureText::of(failure(FailureKind::CompanionAtlasMissing)));
        return false;
    }
    const QString remembered = rememberedFolder();
    const QString folder =
        dialogs.chooseOutputFolder(window, remembered.isEmpty() ? QFileInfo(skeletonPath).absolutePath() : remembered);
    if (folder.isEmpty() || !prepareFolder(folder, tr("导出图片")))
        return false;
    remember(folder);
    const LooseImagesRequest request{toQString(record.atlas), toQString(outputFolder->path()),
                                     QFileInfo(skeletonPath).completeBaseName(), straightAlpha};
    running = Task::Images;
    stopImages = std::make_shared<std::atomic<bool>>(false);
    images = new QFutureWatcher<Result<LooseImagesReport>>(this);
    connect(images, &QFutureWatcherBase::finished, this, &ExportController::finishImages);
    images->setFuture(QtConcurrent::run(
        [request, stop = stopImages] { return writeLooseImages(request, [stop] { return stop->load(); }); }));
    emit started(Task::Images);
    emit progress(0, 0, [] { return tr("正在导出图片…"); });
    return true;
}

void ExportController::finishImages()
{
    const Result<LooseImagesReport> outcome = images->result();
    images->deleteLater();
    images = nullptr;
    outputFolder->removeCreatedIfEmpty();
    outputFolder.reset();
    if (!outcome) {
        if (outcome.failure().kind == FailureKind::Cancelled) {
            end([] { return tr("导出已取消"); }, LiveText());
            return;
        }
        const QString reason = FailureText::of(outcome.failure()).trimmed();
        end([] { return tr("图片未能导出"); },
            [failure = outcome.failure()] { return FailureText::of(failure).trimmed(); });
        dialogs.showMessage(window, QMessageBox::Critical, tr("导出图片"), tr("图片未能导出：\n%1").arg(reason));
        return;
    }
    const LooseImagesReport &report = *outcome;
    QStringList leftOut;
    for (const Failure &left : report.leftOut)
        leftOut.append(tr("%1：%2").arg(QString::fromStdString(left.detail), FailureText::of(left).trimmed()));
    const QString folder = QDir::toNativeSeparators(report.folder);
    const QString text = report.imagesWritten > 0
        ? tr("已导出 %n 张图片到：\n%1", nullptr, int(report.imagesWritten)).arg(folder)
        : tr("没有导出任何图片。");
    end([leftOutCount = int(leftOut.size())] {
            return leftOutCount == 0 ? tr("图片已导出") : tr("图片已导出，%n 项未导出", nullptr, leftOutCount);
        },
        LiveText::fixed(folder));
    dialogs.show(window, WindowMessage{leftOut.isEmpty() ? QMessageBox::Information : QMessageBox::Warning,
                                       tr("导出图片"), text,
                                       leftOut.isEmpty() ? QString() : tr("%n 项未导出：", nullptr, int(leftOut.size())),
                                       leftOut.join(QLatin1Char('\n')),
                                       report.folder.isEmpty() ? QString() : tr("打开输出文件夹"),
                                       openFolderAction(report.folder)});
}

void ExportController::end(const LiveText &status, const LiveText &toolTip)
{
    running.reset();
    emit ended(status, toolTip);
}

std::function<void()> ExportController::openFolderAction(const QString &folder) const
{
    return [this, folder] {
        if (dialogs.openFolder)
            dialogs.openFolder(folder);
    };
}

} // namespace kvx
