#pragma once
// The preview: loads the current export into the runtime plugin of its line on the preview thread,
// lists its animations and skins, plays the chosen animation through the playback bar and shows
// the newest finished frame on the canvas. Nothing here waits on the runtime: requests go to the
// preview thread, answers come back as events, and a request made obsolete by a newer one is dropped.

#include "assets/exportrecord.h"
#include "common/qt/livetext.h"
#include "preview/playbackmodel.h"
#include "preview/qt/previewthread.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

class QComboBox;
class QTimer;
class QWidget;

namespace kvx {

class PlaybackBar;
class SkinList;
class SpinePreviewWidget;
enum class PageAlpha;

// Where the window finds the runtime plugins: "runtimes" beside the program.
std::filesystem::path windowPluginFolder();

struct PreviewWidgets {
    SpinePreviewWidget *canvas = nullptr;
    PlaybackBar *playbackBar = nullptr;
    QComboBox *animationList = nullptr;
    SkinList *skinList = nullptr;
    QWidget *skinChoice = nullptr; // the skin list with its label: shown only when skins can be chosen
    QComboBox *alphaList = nullptr; // how the pages' alpha is taken: automatic, premultiplied, straight
};

class PreviewController : public QObject {
    Q_OBJECT
public:
    PreviewController(PreviewWidgets widgets, QObject *parent = nullptr);
    ~PreviewController() override;

    // Shows the export: its plugin loads on the preview thread; an export without a companion
    // atlas shows why at once.
    void load(const ExportRecord &record);
    // Nothing shown, nothing playing (the list was emptied).
    void clear();

    // Playback, as the bar and the keyboard ask for it.
    void togglePlayback();
    void stepFrame(int direction);
    void setLoop(bool loop);
    void setSpeed(float speed);
    void restoreView(float speed, bool loop);
    // How the pages of the shown atlas are blended; remembered per atlas until the program ends.
    void setPageAlpha(PageAlpha alpha);
    PageAlpha pageAlpha() const;

    bool isPlaying() const { return playback.wantsTicks(); }
    const PlaybackModel &playbackState() const { return playback; }
    QString playingAnimation() const { return shownAnimation; }
    // The skins shown, in the order they are combined; empty where the skeleton's own is shown
    // (one skin, or a plugin that cannot switch them).
    QStringList shownSkins() const;
    // No request is on its way: what the canvas shows answers every request made so far.
    bool isSettled() const { return thread.pendingJobs() == 0; }
    // Seconds the latest frame took to make.
    double latestFrameCost() const { return frameCost; }

signals:
    // The status line's text and its tool tip (the full reason when the text is short).
    void statusChanged(kvx::LiveText text, kvx::LiveText toolTip);
    // The status line's tool tip alone: what the canvas's notice says of the pages it cannot show.
    void statusToolTipChanged(kvx::LiveText toolTip);

protected:
    bool event(QEvent *event) override;

private:
    // Each load starts a new generation: answers and queued work of older ones are dropped.
    using Generation = quint64;
    // How a request stands to the poses asked for after it. An answer is shown only while no newer
    // pose was asked for.
    enum class PoseRole {
        Supersedes, // a new pose (load, selection, seek): earlier poses not yet made are dropped
        Follows,    // a frame of the current pose (playback, setup pose): dropped with it
        Persists,   // changes every later pose (the skin): made whatever follows it
    };

    template <typename Answer>
    void request(std::function<Answer(PreviewSession &)> job, std::function<void(Answer, double)> deliver,
                 PoseRole role = PoseRole::Follows);
    void showLoaded(Result<LoadedSkeleton> loaded);
    void listSkins(const LoadedSkeleton &skeleton);
    void selectAnimation(const QString &name);
    void chooseSkins(const QStringList &names);
    void showPageAlpha(const ExportRecord &record);
    void notePageFailure(const QString &path, const Failure &why);
    void showPageNotice();
    void showSetupPose();
    void tick();
    void poseAt(float seconds);
    void showFrame(Result<PreviewFrame> frame, double seconds);
    void showFraming(const std::optional<Result<SkeletonBox>> &box);
    void stopOnFailure(const Failure &failure);
    void showPlaybackState();
    void startTicking();
    void resetLists();
    // The alpha list's entries and tool tip in the language in use.
    void retranslate();

    PreviewWidgets view;
    PreviewThread thread;
    std::shared_ptr<std::atomic<Generation>> latestGeneration = std::make_shared<std::atomic<Generation>>(0);
    std::shared_ptr<std::atomic<quint64>> latestPose = std::make_shared<std::atomic<quint64>>(0);
    Generation generation = 0;
    bool canMeasure = false;
    PlaybackModel playback;
    QTimer *playbackTimer = nullptr;
    QElapsedTimer playbackClock;
    // A tick finding a frame of the current pose in flight skips: time keeps counting for the next.
    bool frameInFlight = false;
    quint64 framePose = 0;
    double frameCost = 0.0;
    QString shownAnimation; // the animation the plugin last accepted
    QString shownAtlas;
    LiveText atlasAlpha; // what "automatic" means for the shown atlas; empty before one is shown
    QHash<QString, int> pageAlphaByAtlas; // PageAlpha chosen for an atlas
    QStringList missingPages;             // of the shown export, by file name
    QSet<QString> shownPages;             // the shown export's page images, clean absolute paths
    std::map<QString, Failure> unreadablePages; // of the shown export, by the path the plugin names
};

} // namespace kvx
