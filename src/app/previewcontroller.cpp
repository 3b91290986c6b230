#include "app/previewcontroller.h"

#include "app/namelist.h"
#include "app/playbackbar.h"
#include "app/skinlist.h"
#include "app/spinepreviewwidget.h"
#include "common/qt/pathtext.h"
#include "render/pagetexture.h"
#include "render/rendererrules.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QIcon>
#include <QSignalBlocker>
#include <QTimer>
#include <QVariant>

namespace kvx {
namespace {

constexpr int kPlaybackIntervalMilliseconds = 16;

struct Selection {
    Result<PreviewFrame> frame;
    std::optional<Result<SkeletonBox>> box; // measured when the plugin can
};

QString runtimePluginPath(const std::string &line)
{
    return toQString(windowPluginFolder() / runtimePluginFileName(line));
}

QString cleanAbsolutePath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString detailText(const Failure &failure)
{
    return QString::fromStdString(failure.detail.empty() ? englishText(failure) : failure.detail);
}

// The duration listed with the named animation (the current item, or the first of that name).
float listedDuration(const QComboBox &animations, const QString &name)
{
    const int index = animations.currentText() == name ? animations.currentIndex() : animations.findText(name);
    return animations.itemData(index).toFloat();
}

// What the atlas says of each page image (premultiplied alpha, filters), by the image path the
// plugins name it by.
QHash<QString, PageDescription> pageDescriptions(const ExportRecord &record)
{
    QHash<QString, PageDescription> pages;
    for (const PageRecord &page : record.pages)
        pages.insert(toQString(page.image), pageDescriptionOf(page));
    return pages;
}

} // namespace

std::filesystem::path windowPluginFolder()
{
    return toPath(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("runtimes")));
}

PreviewController::PreviewController(PreviewWidgets widgets, QObject *parent) : QObject(parent), view(widgets)
{
    playbackTimer = new QTimer(this);
    playbackTimer->setInterval(kPlaybackIntervalMilliseconds);
    playbackTimer->setTimerType(Qt::PreciseTimer);
    connect(playbackTimer, &QTimer::timeout, this, &PreviewController::tick);
    connect(view.animationList, &QComboBox::currentTextChanged, this, &PreviewController::selectAnimation);
    for (const PageAlpha alpha : {PageAlpha::Automatic, PageAlpha::Premultiplied, PageAlpha::Straight})
        view.alphaList->addItem(QString(), int(alpha));
    retranslate();
    connect(view.skinList, &SkinList::skinsChosen, this, &PreviewController::chooseSkins);
    connect(view.alphaList, &QComboBox::currentIndexChanged, this,
            [this] { setPageAlpha(static_cast<PageAlpha>(view.alphaList->currentData().toInt())); });

    connect(view.playbackBar, &PlaybackBar::playPauseClicked, this, &PreviewController::togglePlayback);
    connect(view.playbackBar, &PlaybackBar::scrubbed, this, [this](float seconds) {
        if (playback.hasAnimation())
            poseAt(playback.seek(seconds));
    });
    connect(view.playbackBar, &PlaybackBar::scrubStarted, playbackTimer, &QTimer::stop);
    connect(view.playbackBar, &PlaybackBar::scrubFinished, this, [this] {
        if (playback.wantsTicks())
            startTicking();
    });
    connect(view.playbackBar, &PlaybackBar::speedChanged, this, &PreviewController::setSpeed);
    connect(view.playbackBar, &PlaybackBar::loopChanged, this, &PreviewController::setLoop);
    // Told while the canvas paints: the notice changes once the paint is over.
    view.canvas->setPageFailureHandler([this](const QString &path, const Failure &why) {
        QMetaObject::invokeMethod(
            this, [this, path, why] { notePageFailure(path, why); }, Qt::QueuedConnection);
    });
}

bool PreviewController::event(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    return QObject::event(event);
}

void PreviewController::retranslate()
{
    const QString atlasSays = atlasAlpha.text();
    const QSignalBlocker quiet(view.alphaList);
    view.alphaList->setItemText(view.alphaList->findData(int(PageAlpha::Automatic)),
                                atlasSays.isEmpty() ? tr("自动") : tr("自动（%1）").arg(atlasSays));
    view.alphaList->setItemText(view.alphaList->findData(int(PageAlpha::Premultiplied)), tr("预乘"));
    view.alphaList->setItemText(view.alphaList->findData(int(PageAlpha::Straight)), tr("非预乘"));
    view.alphaList->setToolTip(tr("预览时把纹理页当作预乘还是非预乘 Alpha 混合；“自动”按图集的说明，括号里是它的结果。"
                                  "3.8 的图集不标明预乘，预乘导出的纹理在预览里发暗时请选“预乘”。"
                                  "只影响预览：转换由“去除预乘 Alpha”决定。"));
}

PreviewController::~PreviewController()
{
    playbackTimer->stop();
    latestGeneration->store(0); // queued work ends unanswered; the running job finishes first
}

template <typename Answer>
void PreviewController::request(std::function<Answer(PreviewSession &)> job,
                                std::function<void(Answer, double)> deliver, PoseRole role)
{
    const Generation current = generation;
    const quint64 pose = role == PoseRole::Supersedes ? latestPose->fetch_add(1) + 1 : latestPose->load();
    const bool persists = role == PoseRole::Persists;
    const auto obsolete = [generations = latestGeneration, poses = latestPose, current, pose, persists] {
        return generations->load() != current || (!persists && poses->load() != pose);
    };
    thread.post<Answer>(obsolete, std::move(job), this,
                        [this, current, pose, deliver = std::move(deliver)](Answer answer, double seconds) {
                            if (current == generation && pose == latestPose->load())
                                deliver(std::move(answer), seconds);
                        });
}

void PreviewController::resetLists()
{
    view.animationList->clear();
    view.animationList->setEnabled(false);
    view.skinList->clearSkins();
    view.skinChoice->hide();
}

void PreviewController::clear()
{
    playbackTimer->stop();
    playback.clear();
    shownAnimation.clear();
    latestGeneration->store(++generation);
    frameInFlight = false;
    {
        const QSignalBlocker quiet(view.animationList);
        resetLists();
    }
    showPlaybackState();
}

void PreviewController::load(const ExportRecord &record)
{
    clear();
    view.canvas->resetView();
    view.canvas->setNotice(LiveText());
    if (!record.detection.version || record.atlas.empty() || !record.atlasStamp.regular) {
        view.canvas->setMessage([] { return tr("没有找到与骨骼数据配套的 .atlas 文件"); });
        emit statusChanged([] { return tr("请把完整导出资源一起拖入"); }, LiveText());
        return;
    }
    view.canvas->setPageDescriptions(pageDescriptions(record));
    showPageAlpha(record);
    missingPages.clear();
    unreadablePages.clear();
    shownPages.clear();
    for (const PageRecord &page : record.pages)
        shownPages.insert(cleanAbsolutePath(toQString(page.image)));
    view.canvas->forgetUnreadablePages(); // read again, and named again, for this export
    for (const std::string &page : record.missingPageFileNames())
        missingPages.append(QString::fromStdString(page));
    showPageNotice();
    view.canvas->setRendererRules(rendererRulesFor(record.detection.version->major, record.detection.version->minor));
    const PreviewSource source{toPath(runtimePluginPath(record.line())), record.skeleton, record.atlas};
    request<Result<LoadedSkeleton>>([source](PreviewSession &session) { return session.load(source); },
                                    [this](Result<LoadedSkeleton> loaded, double) { showLoaded(std::move(loaded)); },
                                    PoseRole::Supersedes);
}

void PreviewController::showLoaded(Result<LoadedSkeleton> loaded)
{
    if (!loaded) {
        const Failure &failure = loaded.failure();
        const QString reason = detailText(failure);
        if (failure.kind == FailureKind::PluginUnavailable) {
            view.canvas->setMessage([] { return tr("暂时无法加载这套资源"); }, reason);
            emit statusChanged(LiveText::fixed(reason), LiveText::fixed(reason));
        } else {
            // The export is fine for converting; the plugin's own reason says why it cannot play.
            view.canvas->setMessage([] { return tr("此版本的预览模块仍在接入中"); }, reason);
            emit statusChanged([] { return tr("资源已识别，可以稍后转换"); }, LiveText::fixed(reason));
        }
        return;
    }
    canMeasure = loaded->canMeasure;
    listSkins(*loaded);
    {
        // The first animation is selected below, from its start.
        const QSignalBlocker quiet(view.animationList);
        for (const AnimationInfo &animation : loaded->animations)
            view.animationList->addItem(QString::fromStdString(animation.name), QVariant(animation.duration));
    }
    view.animationList->setToolTip(view.animationList->currentText());
    view.animationList->setEnabled(view.animationList->count() > 0);
    emit statusChanged([count = int(loaded->animations.size())] { return tr("已识别 %n 个动画", nullptr, count); },
                       LiveText());
    if (view.animationList->count() > 0)
        selectAnimation(view.animationList->itemText(0));
    else
        showSetupPose();
}

// Several skins and a plugin that can switch them: the list shows, on the skin the plugin chose.
void PreviewController::listSkins(const LoadedSkeleton &skeleton)
{
    if (!skeleton.initialSkin)
        return;
    QStringList names;
    names.reserve(static_cast<qsizetype>(skeleton.skins.size()));
    for (const std::string &skin : skeleton.skins)
        names.append(QString::fromStdString(skin));
    view.skinList->setSkins(names, static_cast<int>(*skeleton.initialSkin), skeleton.canCombineSkins);
    view.skinChoice->show();
}

void PreviewController::selectAnimation(const QString &name)
{
    if (name.isEmpty())
        return; // clearing the list reports an empty text
    const std::string animation = name.toStdString();
    const bool loop = playback.loop();
    const bool measure = canMeasure;
    request<Selection>(
        [animation, loop, measure](PreviewSession &session) {
            Selection selection{session.select(animation, loop), std::nullopt};
            if (measure && selection.frame)
                selection.box = session.measure(animation);
            return selection;
        },
        [this, name](Selection selection, double seconds) {
            if (!selection.frame && selection.frame.failure().kind == FailureKind::AnimationNotSelected) {
                emit statusChanged(LiveText::fixed(detailText(selection.frame.failure())), LiveText());
                return;
            }
            showFraming(selection.box);
            shownAnimation = name;
            playback.start(listedDuration(*view.animationList, name)); // paused stays paused, on the first frame
            playbackClock.restart();
            showFrame(std::move(selection.frame), seconds);
            showPlaybackState();
            if (playback.isPlaying())
                playbackTimer->start(); // also after a failed first sample: the next tick tries once more
        },
        PoseRole::Supersedes);
}

void PreviewController::chooseSkins(const QStringList &names)
{
    if (names.isEmpty())
        return;
    std::vector<std::string> skins;
    for (const QString &name : names)
        skins.push_back(name.toStdString());
    const QString name = names.join(QStringLiteral(" + "));
    const std::string animation = shownAnimation.toStdString();
    const bool measure = canMeasure && !animation.empty();
    request<Selection>(
        [skins, animation, measure](PreviewSession &session) {
            Selection selection{session.chooseSkins(skins), std::nullopt};
            if (measure && selection.frame)
                selection.box = session.measure(animation);
            return selection;
        },
        [this, name](Selection selection, double seconds) {
            if (!selection.frame) {
                // A skin stopped past its budget leaves the plugin refusing frames until the next
                // load: playback ends here, saying why, rather than failing frame after frame.
                playbackTimer->stop();
                const LiveText what = [name] { return tr("无法切换到皮肤 %1").arg(name); };
                const QString reason = detailText(selection.frame.failure());
                view.canvas->setMessage(what, reason);
                emit statusChanged(what, LiveText::fixed(reason));
                return;
            }
            showFraming(selection.box);
            // The current frame again with the new skin; the clock keeps running, so playback goes on.
            showFrame(std::move(selection.frame), seconds);
        },
        PoseRole::Persists);
}

// A skeleton without animations still shows its setup pose, once, without playback.
void PreviewController::showSetupPose()
{
    request<Result<PreviewFrame>>([](PreviewSession &session) { return session.advance(0.0f); },
                                  [this](Result<PreviewFrame> frame, double) {
                                      if (frame)
                                          view.canvas->setFrame(std::move(frame->items));
                                      else
                                          view.canvas->setMessage([] { return tr("没有可播放的动画"); });
                                  });
}

void PreviewController::tick()
{
    // A frame of an older pose is never shown, so it holds up no tick.
    if (frameInFlight && framePose == latestPose->load())
        return; // the frame before is still being made: its clock keeps running for the next tick
    // Whole milliseconds of real time, unclamped, so late ticks keep the animation's speed.
    const float elapsedSeconds =
        playbackClock.isValid() ? static_cast<float>(playbackClock.restart()) / 1000.0f : 0.016f;
    // The model scales by the speed and stops a non-looping animation on its last frame.
    const PlaybackStep step = playback.advance(elapsedSeconds);
    frameInFlight = true;
    framePose = latestPose->load();
    request<Result<PreviewFrame>>([step](PreviewSession &session) { return session.advance(step.seconds); },
                                  [this, step](Result<PreviewFrame> frame, double seconds) {
                                      frameInFlight = false;
                                      if (!frame) {
                                          stopOnFailure(frame.failure());
                                          return;
                                      }
                                      showFrame(std::move(frame), seconds);
                                      if (step.reachedEnd)
                                          playbackTimer->stop();
                                      showPlaybackState();
                                  });
}

// The plugin has no seek: the animation is selected afresh and advanced to the time in one step.
// A newer pose makes this one obsolete before it runs.
void PreviewController::poseAt(float seconds)
{
    if (shownAnimation.isEmpty())
        return;
    const std::string animation = shownAnimation.toStdString();
    const bool loop = playback.loop();
    request<Result<PreviewFrame>>(
        [animation, loop, seconds](PreviewSession &session) { return session.select(animation, loop, seconds); },
        [this](Result<PreviewFrame> frame, double cost) {
            if (!frame && frame.failure().kind == FailureKind::AnimationNotSelected) {
                emit statusChanged(LiveText::fixed(detailText(frame.failure())), LiveText());
                return;
            }
            playbackClock.restart();
            showFrame(std::move(frame), cost);
            showPlaybackState();
        },
        PoseRole::Supersedes);
    showPlaybackState();
}

void PreviewController::showFrame(Result<PreviewFrame> frame, double seconds)
{
    if (!frame) {
        stopOnFailure(frame.failure());
        return;
    }
    frameCost = seconds;
    view.playbackBar->setFrameCost(seconds);
    view.canvas->setFrame(std::move(frame->items));
}

// Frames the whole animation when the plugin measured it; a plugin that cannot keeps the framing the
// first frame shown fixed, and a measure that failed leaves it to this animation's first frame.
void PreviewController::showFraming(const std::optional<Result<SkeletonBox>> &box)
{
    if (!box)
        return;
    if (*box)
        view.canvas->setFraming(QRectF((*box)->x, (*box)->y, (*box)->width, (*box)->height));
    else
        view.canvas->setFraming(std::nullopt);
}

void PreviewController::stopOnFailure(const Failure &failure)
{
    playbackTimer->stop();
    const QString reason = detailText(failure);
    view.canvas->setMessage([] { return tr("动画预览暂时不可用"); }, reason);
    emit statusChanged(LiveText::fixed(reason), LiveText::fixed(reason));
}

void PreviewController::togglePlayback()
{
    if (!playback.hasAnimation())
        return;
    if (playback.isPlaying()) {
        playback.pause();
        playbackTimer->stop(); // paused: no sampling, no repainting
    } else {
        if (playback.play())
            poseAt(0.0f); // a finished non-looping animation starts over
        startTicking();
    }
    showPlaybackState();
}

void PreviewController::stepFrame(int direction)
{
    if (!playback.hasAnimation() || playback.isPlaying())
        return;
    poseAt(playback.stepFrame(direction));
}

void PreviewController::setLoop(bool loop)
{
    playback.setLoop(loop);
    // The loop flag travels with the selection: select again and return to where playback stands.
    if (playback.hasAnimation())
        poseAt(playback.time());
}

void PreviewController::setSpeed(float speed)
{
    playback.setSpeed(speed);
}

void PreviewController::restoreView(float speed, bool loop)
{
    playback.setSpeed(speed);
    playback.setLoop(loop);
    view.playbackBar->setSpeed(playback.speed());
    view.playbackBar->setLoop(playback.loop());
}

// The choice remembered for the record's atlas, and in the list what "automatic" means for it.
void PreviewController::showPageAlpha(const ExportRecord &record)
{
    shownAtlas = toQString(record.atlas);
    const auto alpha = static_cast<PageAlpha>(pageAlphaByAtlas.value(shownAtlas, int(PageAlpha::Automatic)));
    qsizetype premultiplied = 0;
    for (const PageRecord &page : record.pages)
        premultiplied += pageDescriptionOf(page).premultiplied ? 1 : 0;
    if (premultiplied == 0)
        atlasAlpha = [] { return tr("非预乘"); };
    else if (premultiplied == qsizetype(record.pages.size()))
        atlasAlpha = [] { return tr("预乘"); };
    else
        atlasAlpha = [] { return tr("按页"); };
    retranslate();
    const QSignalBlocker quiet(view.alphaList);
    view.alphaList->setCurrentIndex(view.alphaList->findData(int(alpha)));
    view.canvas->setPageAlpha(alpha);
}

void PreviewController::notePageFailure(const QString &path, const Failure &why)
{
    // A frame of the export shown before may still be painted meanwhile: its pages are not this one's.
    if (!shownPages.contains(cleanAbsolutePath(path)) || unreadablePages.count(path))
        return;
    unreadablePages.emplace(path, why);
    showPageNotice();
}

// Pages missing from the export, and pages present that cannot be shown (not an image, or too large
// to load): each kind a line naming them.
void PreviewController::showPageNotice()
{
    QStringList unreadable;
    QStringList tooLarge;
    for (const auto &[path, why] : unreadablePages)
        (why.kind == FailureKind::PageImageTooLarge ? tooLarge : unreadable).append(QFileInfo(path).fileName());
    const LiveText notice = [missing = missingPages, unreadable, tooLarge] {
        QStringList lines;
        if (!missing.isEmpty())
            lines.append(tr("缺少纹理页 %1：用到它的部分不会显示").arg(NameList::of(missing)));
        if (!unreadable.isEmpty())
            lines.append(tr("纹理页 %1 不是可以读取的图片：用到它的部分不会显示").arg(NameList::of(unreadable)));
        if (!tooLarge.isEmpty())
            lines.append(tr("纹理页 %1 太大，无法载入：用到它的部分不会显示").arg(NameList::of(tooLarge)));
        return lines.join(QLatin1Char('\n'));
    };
    view.canvas->setNotice(notice);
    // Pages that turn out unreadable while painting are named in the status line's tool tip too.
    if (!unreadablePages.empty())
        emit statusToolTipChanged(notice);
}

QStringList PreviewController::shownSkins() const
{
    return view.skinChoice->isHidden() ? QStringList() : view.skinList->chosenSkins();
}

void PreviewController::setPageAlpha(PageAlpha alpha)
{
    if (!shownAtlas.isEmpty())
        pageAlphaByAtlas.insert(shownAtlas, int(alpha));
    const QSignalBlocker quiet(view.alphaList);
    view.alphaList->setCurrentIndex(view.alphaList->findData(int(alpha)));
    view.canvas->setPageAlpha(alpha);
}

PageAlpha PreviewController::pageAlpha() const
{
    return view.canvas->pageAlpha();
}

void PreviewController::showPlaybackState()
{
    view.playbackBar->setAnimationAvailable(playback.hasAnimation());
    view.playbackBar->setPlaying(playback.wantsTicks());
    view.playbackBar->setPosition(playback.time(), playback.duration());
}

void PreviewController::startTicking()
{
    // Time spent paused or holding the slider is not played.
    playbackClock.restart();
    playbackTimer->start();
}

} // namespace kvx
