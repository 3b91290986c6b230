#pragma once
// Exports in the window, one at a time and in the background: animation files and PNG sequences
// through the dialog of "导出动画…", the frame at the slider's time as the canvas frames it, and the
// atlas's loose images. Renders go through RenderBatch as `kovexa-cli render` does (the same checks
// and limits); the images through writeLooseImages on a thread of Qt's pool. A cancelled or failed
// export leaves nothing unfinished behind; one message at the end says where everything went.

#include "app/exportchoice.h"
#include "app/windowdialogs.h"
#include "common/qt/livetext.h"
#include "common/outputfolder.h"
#include "conversion/qt/looseimages.h"
#include "render/camera.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace kvx {

class ExportCatalog;
class RenderBatch;
struct RenderRequest;

// What an export takes from the window: the current skeleton and what the preview shows of it.
struct ExportSubject {
    QString skeletonPath;
    QString animation; // shown; empty when none is (the skeleton has none, or the preview failed)
    QStringList skins; // shown, combined in this order; empty: the skeleton's own
    // The preview's choice where it overrides what the atlas says: every page premultiplied or not.
    std::optional<bool> premultipliedPages;
};

class ExportController : public QObject {
    Q_OBJECT
public:
    enum class Task { Animations, Frame, Images };

    ExportController(ExportCatalog &catalog, const WindowDialogs &dialogs, QWidget *window);
    // A running export is cancelled and waited for: it leaves nothing unfinished.
    ~ExportController() override;

    // Asks through chooseAnimationExport, then renders every output the choice names. Returns
    // whether an export started (not when cancelled, refused or already running).
    bool exportAnimations(const ExportSubject &subject);
    // The frame at the time through the camera, as a PNG with a transparent background, into the
    // remembered export folder (asked for when none is remembered, or it is no folder any more).
    bool exportFrame(const ExportSubject &subject, double seconds, const Camera &camera);
    // Every region of the skeleton's atlas as its own PNG into a folder asked for, as
    // `kovexa-cli unpack` writes them.
    bool exportImages(const QString &skeletonPath, bool straightAlpha);
    // Stops the running export; ended() follows once it has stopped.
    void cancel();

    bool isRunning() const { return running.has_value(); }
    std::optional<Task> runningTask() const { return running; }

signals:
    void started(kvx::ExportController::Task task);
    // Work done of the whole (0 of 0 while its size is not known) and the status line's text.
    void progress(qint64 done, qint64 total, kvx::LiveText status);
    // The export is over (after its message): the status line's text and tool tip.
    void ended(kvx::LiveText status, kvx::LiveText toolTip);

private:
    bool prepareFolder(const QString &folder, const QString &title);
    void startRender(const RenderRequest &request, Task task);
    void reportProgress();
    void finishRender(bool stopped);
    void finishAnimations(const RenderBatch &ended, bool stopped);
    void finishFrame(const RenderBatch &ended, bool stopped);
    void finishImages();
    void end(const LiveText &status, const LiveText &toolTip);
    QString rememberedFolder() const;
    void remember(const QString &folder);
    std::function<void()> openFolderAction(const QString &folder) const;

    ExportCatalog &catalog;
    const WindowDialogs &dialogs;
    QWidget *window = nullptr;
    std::optional<Task> running;
    QPointer<RenderBatch> batch;
    std::vector<qint64> framesWritten; // of each planned output
    qint64 framesPlanned = 0;
    qint64 outputsDone = 0;
    std::optional<OutputFolder> outputFolder; // the running export's
    AnimationExportChoice lastChoice;
    QFutureWatcher<Result<LooseImagesReport>> *images = nullptr;
    std::shared_ptr<std::atomic<bool>> stopImages;
};

} // namespace kvx
