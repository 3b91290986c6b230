#include "render/qt/renderbatch.h"

#include "common/portablenames.h"
#include "common/qt/pathtext.h"
#include "render/framesequence.h"
#include "render/outputnames.h"
#include "render/qt/framesinks.h"
#include "render/qt/pageimages.h"

#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>
#include <exception>
#include <map>
#include <mutex>

namespace kvx {
namespace {

// What a skeleton without animations renders, and the name its output goes by.
constexpr std::string_view kSetupPoseName = "setup-pose";

// Runs work(i, state) for every i below count on up to jobs threads, each taking the next index
// and keeping a JobState from one index to the next: the calling thread, one of the jobs, keeps
// the one given (and so from one run to the next), the others their own.
template <typename JobState, typename Work>
void runOnThreads(std::size_t count, int jobs, JobState &callerState, Work work)
{
    std::atomic<std::size_t> next{0};
    const auto worker = [&](JobState &state) {
        for (std::size_t index = next++; index < count; index = next++)
            work(index, state);
    };
    std::vector<std::thread> threads;
    const std::size_t threadCount = std::min<std::size_t>(count, std::size_t(std::max(jobs, 1)));
    for (std::size_t i = 1; i < threadCount; ++i)
        threads.emplace_back([&] {
            JobState state;
            worker(state);
        });
    worker(callerState);
    for (std::thread &thread : threads)
        thread.join();
}

std::string utf8(const std::filesystem::path &path)
{
    return pathDetail(path);
}

// Why the export cannot be rendered before any plugin is asked, if it cannot.
std::optional<Failure> exportProblem(const ExportRecord &record)
{
    if (!record.supported() || !record.detection.version)
        return failure(FailureKind::SkeletonRefused, record.detection.message);
    if (record.atlasState == AtlasState::None)
        return failure(FailureKind::CompanionAtlasMissing);
    if (record.atlasState == AtlasState::Unreadable)
        return failure(FailureKind::AtlasUnreadable, utf8(record.atlas) + ": " + record.atlasError);
    const std::vector<std::string> missing = record.missingPageFileNames();
    if (!missing.empty()) {
        std::string names;
        for (const std::string &name : missing)
            names += (names.empty() ? "" : ", ") + name;
        return failure(FailureKind::PageImagesMissing, names);
    }
    return std::nullopt;
}

bool isUnknownName(const Failure &failure)
{
    return failure.kind == FailureKind::AnimationUnknown || failure.kind == FailureKind::SkinUnknown;
}

// The last part of a "/"-separated name, as numbered frames are named after it.
std::string lastPart(const std::string &name)
{
    const std::string path = portablePath(name);
    return path.substr(path.rfind('/') + 1);
}

QString qtext(const std::optional<std::string> &text)
{
    return text ? QString::fromStdString(*text) : QString();
}

// Combined skins are named together: "a+b" in a file name, "a + b" in an outcome.
std::string joined(const SkinSet &skins, std::string_view separator)
{
    std::string text;
    for (std::size_t i = 0; i < skins.size(); ++i)
        text += (i ? std::string(separator) : std::string()) + skins[i];
    return text;
}

// Folders the batch creates for its outputs, so that those left empty (every output in them
// failed or was stopped) are removed at the end, deepest first.
class CreatedFolders {
public:
    explicit CreatedFolders(std::filesystem::path root) : root(std::move(root)) {}

    Status ensure(const std::filesystem::path &folder)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        std::vector<std::filesystem::path> missing;
        std::error_code error;
        for (std::filesystem::path at = folder; at != root && at.has_relative_path() && !std::filesystem::exists(at, error);
             at = at.parent_path())
            missing.push_back(at);
        std::filesystem::create_directories(folder, error);
        if (error)
            return failure(FailureKind::FolderCreate, utf8(folder), error);
        created.insert(created.end(), missing.begin(), missing.end());
        return Done{};
    }

    void removeEmpty()
    {
        std::sort(created.begin(), created.end(), [](const auto &a, const auto &b) {
            return a.native().size() > b.native().size();
        });
        for (const std::filesystem::path &folder : created) {
            std::error_code ignored;
            if (std::filesystem::is_empty(folder, ignored) && !ignored)
                std::filesystem::remove(folder, ignored);
        }
    }

private:
    std::filesystem::path root;
    std::mutex mutex;
    std::vector<std::filesystem::path> created;
};

} // namespace

class RenderBatch::Work {
public:
    Work(RenderRequest request, RenderBatch *owner)
        : request(std::move(request)), owner(owner), folders(this->request.outputFolder)
    {
    }

    std::atomic<bool> stop{false};

    void run()
    {
        // A plugin context ends on the thread that made it: the kept session ends here, whichever
        // way the run ends (the batch joins this thread before it reports the end).
        struct EndSessions {
            KeptSession &sessions;
            ~EndSessions() { sessions.discard(); }
        } endSessions{callerSessions};
        surveyAll();
        if (stopped()) {
            post([](RenderBatch &batch) { batch.finish(true); });
            return;
        }
        if (request.refuseUnknownNames && anyUnknownName()) {
            post([](RenderBatch &batch) {
                batch.namesRefused = true;
                batch.finish(false);
            });
            return;
        }
        plan();
        for (const PlannedOutput &output : plannedOutputs)
            ++outputsLeft[output.skeleton];
        post([planned = plannedOutputs](RenderBatch &batch) {
            batch.outputs = planned;
            emit batch.planned(int(planned.size()));
        });
        // Each job keeps its skeleton loaded from one output to the next (the calling thread the one
        // it surveyed last): the bytes are the same.
        const std::vector<int> order = renderingOrder();
        runOnThreads(order.size(), request.jobs, callerSessions,
                     [this, &order](std::size_t index, KeptSession &kept) { renderOne(order[index], kept); });
        folders.removeEmpty();
        post([stopped = stopped()](RenderBatch &batch) { batch.finish(stopped); });
    }

private:
    struct Surveyed {
        std::optional<Failure> failure;
        SkeletonSurvey survey;
    };

    bool stopped() const { return stop.load(); }

    template <typename Deliver>
    void post(Deliver deliver)
    {
        RenderBatch *batch = owner;
        QMetaObject::invokeMethod(
            batch, [batch, deliver = std::move(deliver)]() mutable { deliver(*batch); }, Qt::QueuedConnection);
    }

    QString skeletonPath(int skeleton) const
    {
        return QFileInfo(toQString(request.skeletons[std::size_t(skeleton)].record.skeleton)).absoluteFilePath();
    }

    PreviewSource sourceOf(const ExportRecord &record) const
    {
        return {request.pluginFolder / runtimePluginFileName(record.line()), record.skeleton, record.atlas};
    }

    void surveyAll()
    {
        surveyed.resize(request.skeletons.size());
        runOnThreads(request.skeletons.size(), request.jobs, callerSessions, [this](std::size_t index, KeptSession &kept) {
            if (stopped())
                return;
            const SkeletonToRender &skeleton = request.skeletons[index];
            Surveyed &result = surveyed[index];
            result.failure = exportProblem(skeleton.record);
            if (result.failure)
                return;
            try {
                auto session = std::make_unique<PreviewSession>();
                const PreviewSource source = sourceOf(skeleton.record);
                Result<SkeletonSurvey> survey = surveySkeleton(*session, source, skeleton.choice);
                if (!survey) {
                    result.failure = survey.failure();
                    return;
                }
                result.survey = std::move(*survey);
                const bool skinChosen = std::any_of(result.survey.skins.begin(), result.survey.skins.end(),
                                                    [](const SkinSet &skins) { return !skins.empty(); });
                kept.keep(std::move(session), source, skinChosen);
            } catch (const std::exception &exception) {
                result.failure = failure(FailureKind::Unexpected, exception.what());
            }
        });
        for (std::size_t index = 0; index < surveyed.size() && !stopped(); ++index) {
            if (!surveyed[index].failure)
                continue;
            RenderOutcome outcome;
            outcome.skeleton = int(index);
            outcome.skeletonPath = skeletonPath(int(index));
            outcome.failure = surveyed[index].failure;
            post([outcome](RenderBatch &batch) { batch.report(outcome); });
        }
    }

    bool anyUnknownName() const
    {
        return std::any_of(surveyed.begin(), surveyed.end(),
                           [](const Surveyed &s) { return s.failure && isUnknownName(*s.failure); });
    }

    std::string extension() const
    {
        const RenderSettings &settings = request.settings;
        if (settings.format)
            return std::string(mediaFormatExtension(*settings.format));
        return settings.time ? ".png" : "";
    }

    // The frames an output poses: those written, or for a single frame those measured to frame it.
    int64_t posedFrames(double duration) const
    {
        const RenderSettings &settings = request.settings;
        if (settings.time && settings.framing.camera)
            return 1;
        return animationFrameCount(duration, settings.fps);
    }

    void plan()
    {
        OutputNames names(request.outputFolder);
        for (std::size_t index = 0; index < surveyed.size(); ++index) {
            if (surveyed[index].failure)
                continue;
            const SkeletonSurvey &survey = surveyed[index].survey;
            // Named as convert names its projects: the skeleton file's name without its last extension.
            const QString stem = QFileInfo(toQString(request.skeletons[index].record.skeleton)).completeBaseName();
            const std::filesystem::path folder = names.skeletonFolder(stem.toStdString());
            std::vector<std::optional<AnimationInfo>> animations(survey.animations.begin(), survey.animations.end());
            if (animations.empty())
                animations.emplace_back(std::nullopt);
            for (const std::optional<AnimationInfo> &animation : animations) {
                for (const SkinSet &skins : survey.skins) {
                    PlannedOutput output;
                    output.skeleton = int(index);
                    const std::string animationName = animation ? animation->name : std::string(kSetupPoseName);
                    if (animation)
                        output.animation = animation->name;
                    output.skins = skins;
                    const std::string skin = joined(skins, "+");
                    output.frames = posedFrames(animation ? animation->duration : 0.0);
                    output.target = names.claim(folder, outputName(animationName, skins.empty() ? nullptr : &skin), extension());
                    output.frameName = lastPart(animationName);
                    plannedOutputs.push_back(std::move(output));
                }
            }
        }
    }

    // The planned order for one job. Several take a skeleton's outputs longest first, so that none
    // is left alone with a long one at the end, and stay with a skeleton while it has outputs.
    std::vector<int> renderingOrder() const
    {
        std::vector<int> order(plannedOutputs.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = int(i);
        if (request.jobs > 1) {
            std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
                const PlannedOutput &first = plannedOutputs[std::size_t(a)], &second = plannedOutputs[std::size_t(b)];
                return first.skeleton != second.skeleton ? first.skeleton < second.skeleton : first.frames > second.frames;
            });
        }
        return order;
    }

    std::optional<Failure> refusal(const PlannedOutput &output) const
    {
        if (output.frames <= kMaxFramesPerOutput)
            return std::nullopt;
        const bool single = request.settings.time.has_value();
        return failure(FailureKind::RenderLimitExceeded,
                       std::string(single ? "framing the frame poses " : "") + std::to_string(output.frames)
                           + " frames, more than " + std::to_string(kMaxFramesPerOutput) + "; a lower frame rate"
                           + (single ? " or a given camera fits" : " fits"));
    }

    FrameSinkFactory sinksFor(const PlannedOutput &output)
    {
        return [this, &output](const Camera &camera) -> Result<std::unique_ptr<FrameSink>> {
            if (Status ready = folders.ensure(output.target.parent_path()); !ready)
                return ready.failure();
            const RenderSettings &settings = request.settings;
            if (settings.format)
                return animationSink(output.target,
                                     EncoderSettings{*settings.format, camera.width, camera.height, settings.fps, settings.quality});
            if (settings.time)
                return pngImageSink(output.target);
            return pngSequenceSink(output.target, output.frameName, output.frames);
        };
    }

    // Marks an output done however it ends: a skeleton's pages are let go after its last output, so
    // a batch of many exports holds the pages of the skeletons being rendered, not of all.
    struct OutputDone {
        Work &work;
        int skeleton;
        ~OutputDone()
        {
            const std::lock_guard<std::mutex> lock(work.pagesMutex);
            if (--work.outputsLeft[skeleton] == 0)
                work.pagesBySkeleton.erase(skeleton);
        }
    };

    const ExportPages &pagesOf(int skeleton)
    {
        const std::lock_guard<std::mutex> lock(pagesMutex);
        std::unique_ptr<ExportPages> &pages = pagesBySkeleton[skeleton];
        if (!pages)
            pages = std::make_unique<ExportPages>(request.skeletons[std::size_t(skeleton)].record);
        return *pages;
    }

    OutputRequest outputRequest(const PlannedOutput &output) const
    {
        const ExportRecord &record = request.skeletons[std::size_t(output.skeleton)].record;
        OutputRequest out;
        out.source = sourceOf(record);
        out.rules = &rendererRulesFor(record.detection.version->major, record.detection.version->minor);
        out.skins = output.skins;
        out.animation = output.animation;
        out.fps = request.settings.fps;
        out.frames = output.frames;
        out.time = request.settings.time;
        out.framing = effectiveFraming(request.settings);
        out.background = effectiveBackground(request.settings);
        return out;
    }

    void renderOne(int index, KeptSession &kept)
    {
        const PlannedOutput &output = plannedOutputs[std::size_t(index)];
        const OutputDone done{*this, output.skeleton};
        RenderOutcome outcome;
        outcome.output = index;
        outcome.skeleton = output.skeleton;
        outcome.skeletonPath = skeletonPath(output.skeleton);
        outcome.animation = qtext(output.animation);
        outcome.skin = QString::fromStdString(joined(output.skins, " + "));
        if (stopped()) {
            outcome.stopped = true;
            post([outcome](RenderBatch &batch) { batch.report(outcome); });
            return;
        }
        post([index](RenderBatch &batch) { emit batch.outputStarted(index); });
        if (std::optional<Failure> refused = refusal(output)) {
            outcome.failure = std::move(refused);
            post([outcome](RenderBatch &batch) { batch.report(outcome); });
            return;
        }
        int lastShare = -1;
        OutputControl control;
        control.stopRequested = [this] { return stopped(); };
        control.progress = [&](int64_t written, int64_t total) {
            outcome.frames = written;
            const int share = int(written * 100 / std::max<int64_t>(total, 1));
            if (share == lastShare)
                return;
            lastShare = share;
            post([index, written, total](RenderBatch &batch) { emit batch.outputProgress(index, written, total); });
        };
        // A frame drawn without a page it needs is not what the export shows: the output fails
        // with the page's reason, and nothing of it is kept.
        const ExportPages &pages = pagesOf(output.skeleton);
        std::optional<Failure> pageFailure;
        const PageLookup lookup = [&pages, &pageFailure](const std::u16string &path) {
            std::optional<PageImage> page = pages.lookup(path);
            if (!page && !pageFailure)
                pageFailure = pages.unreadable(path);
            return page;
        };
        control.paintFailure = [&pageFailure] { return pageFailure; };
        Result<std::filesystem::path> written = failure(FailureKind::Unexpected);
        try {
            written = renderOutput(outputRequest(output), lookup, sinksFor(output), control, &kept);
        } catch (const std::exception &exception) {
            kept.discard();
            // Out of memory above all (a large image on many jobs): this output fails, its files
            // are gone with the unwinding, and the other jobs go on.
            written = failure(FailureKind::Unexpected, exception.what());
        }
        if (written)
            outcome.written = *written;
        else if (written.failure().kind == FailureKind::Cancelled)
            outcome.stopped = true;
        else
            outcome.failure = written.failure();
        post([outcome](RenderBatch &batch) { batch.report(outcome); });
    }

    RenderRequest request;
    RenderBatch *owner;
    CreatedFolders folders;
    KeptSession callerSessions; // the calling thread's, from the survey on into rendering
    std::vector<Surveyed> surveyed;
    std::vector<PlannedOutput> plannedOutputs;
    std::mutex pagesMutex;
    std::map<int, std::unique_ptr<ExportPages>> pagesBySkeleton;
    std::map<int, int> outputsLeft; // per skeleton, counted down as its outputs end
};

RenderBatch::RenderBatch(RenderRequest request, QObject *parent) : QObject(parent), request(std::move(request))
{
    qRegisterMetaType<kvx::RenderOutcome>();
}

RenderBatch::~RenderBatch()
{
    if (work)
        work->stop = true;
    if (coordinator.joinable())
        coordinator.join();
}

void RenderBatch::start()
{
    if (running || work)
        return;
    running = true;
    work = std::make_shared<Work>(request, this);
    coordinator = std::thread([work = work] { work->run(); });
}

void RenderBatch::cancel()
{
    if (work)
        work->stop = true;
}

void RenderBatch::report(RenderOutcome outcome)
{
    reported.push_back(outcome);
    emit outputFinished(reported.back());
}

void RenderBatch::finish(bool stopped)
{
    if (coordinator.joinable())
        coordinator.join();
    running = false;
    emit finished(stopped);
}

} // namespace kvx
