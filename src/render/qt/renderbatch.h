#pragma once
// Renders skeletons into image and animation files in the background, for the command line and
// the window alike: every output (skeleton × skin × animation) on one of `jobs` threads, each job
// keeping its skeleton loaded from one output to the next (KeptSession: an output poses as in a
// fresh load), so the same request gives the same bytes with any number of jobs.
//
//   auto *batch = new RenderBatch(request, parent);
//   connect(batch, &RenderBatch::outputProgress, ...);   // frames written of one output
//   connect(batch, &RenderBatch::outputFinished, ...);   // one RenderOutcome per output
//   connect(batch, &RenderBatch::finished, ...);         // all done, or stopped
//   batch->start();   ...   batch->cancel();
//
// The batch first loads each skeleton once (on the job threads) to learn its animations and skins,
// then names every output (render/outputnames.h: names never replace anything and do not depend on
// the jobs), then renders. Signals arrive on the batch's own thread; the batch's thread never waits
// for rendering except in the destructor, which cancels and waits for the jobs (each stops within a
// frame, and every plugin call is bounded by its budget).

#include "assets/exportrecord.h"
#include "render/qt/rendersettings.h"
#include "render/skeletonsurvey.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace kvx {

struct SkeletonToRender {
    ExportRecord record; // read with its atlas and pages (refreshExport, or readExportWithAtlas)
    SurveyRequest choice;
};

struct RenderRequest {
    std::vector<SkeletonToRender> skeletons;
    RenderSettings settings;               // checkRenderSettings first: the batch refuses nothing more
    std::filesystem::path outputFolder;    // existing (OutputFolder::prepare)
    std::filesystem::path pluginFolder;    // where runtimePluginFileName(line) is found
    int jobs = 1;
    // An animation or skin the skeleton lacks ends the batch before anything is rendered, with
    // that skeleton's AnimationUnknown or SkinUnknown outcome (the command line's rule); otherwise
    // such a skeleton fails alone.
    bool refuseUnknownNames = false;
};

// One output's result, or a skeleton's when it failed before its outputs were known (no animation).
struct RenderOutcome {
    int output = -1;          // index into plannedOutputs(); -1 for a skeleton's own failure
    int skeleton = 0;         // index into the request's skeletons
    QString skeletonPath;     // absolute
    QString animation;        // empty: the setup pose, or a skeleton's own failure
    QString skin;             // empty: the skeleton's only skin; combined skins joined with " + "
    qint64 frames = 0;        // written
    std::filesystem::path written;  // where the output went, when it succeeded
    std::optional<Failure> failure;
    bool stopped = false;     // not rendered, or not finished, because the batch was stopped

    bool succeeded() const { return !failure && !stopped; }
};

struct PlannedOutput {
    int skeleton = 0;
    std::optional<std::string> animation; // none: the setup pose
    SkinSet skins;                        // empty: the skeleton's own; several: combined in order
    int64_t frames = 1;                   // posed: those written, or those a single frame is framed by
    std::filesystem::path target;         // the file, or the folder of frames
    std::string frameName;                // the numbered frames' name in a folder of frames
};

class RenderBatch : public QObject {
    Q_OBJECT

public:
    explicit RenderBatch(RenderRequest request, QObject *parent = nullptr);
    ~RenderBatch() override;

    void start();
    // Stops at the next frame of every job; what was not finished leaves nothing behind, and
    // finished(true) follows once every job has ended.
    void cancel();

    bool isRunning() const { return running; }
    // Known from planned() on.
    const std::vector<PlannedOutput> &plannedOutputs() const { return outputs; }
    // Every outcome reported so far, in the order reported.
    const std::vector<RenderOutcome> &outcomes() const { return reported; }
    // Whether the batch ended on an unknown animation or skin (refuseUnknownNames).
    bool refusedNames() const { return namesRefused; }

signals:
    // The outputs are named; none has been written yet.
    void planned(int outputCount);
    void outputStarted(int output);
    // At most about a hundred times per output.
    void outputProgress(int output, qint64 framesWritten, qint64 frames);
    void outputFinished(const kvx::RenderOutcome &outcome);
    void finished(bool stopped);

private:
    class Work;

    void report(RenderOutcome outcome);
    void finish(bool stopped);

    RenderRequest request;
    std::shared_ptr<Work> work;
    std::thread coordinator;
    bool running = false;
    bool namesRefused = false;
    std::vector<PlannedOutput> outputs;
    std::vector<RenderOutcome> reported;
};

} // namespace kvx

Q_DECLARE_METATYPE(kvx::RenderOutcome)
