#pragma once
// The program's only window: resource list, status badge, preview, and the one action button.

#include "app/windowdialogs.h"
#include "preview/playbackmodel.h"
#include "assets/qt/resourcescan.h"
#include "preview/runtimeplugin.h"
#include "readiness/detectioncache.h"
#include "readiness/qt/readiness.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <functional>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace kvx {

class BatchConversion;
class ConversionJob;
class PlaybackBar;
struct BatchItem;
class SpinePreviewWidget;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Takes one path in at once, preview and all, before returning (the readiness check and the
    // warnings follow as queued work). Waits its turn behind a background batch.
    void addResourcePath(const QString &path);
    // Takes a batch in with the walk and detection off the GUI thread (drops, the file dialog,
    // the command line).
    void takeInResources(const QStringList &paths);
    // True from a batch's start until it is listed and its readiness run is done.
    bool isTakingIn() const;
    // Runs the action once nothing is being taken in: at once, or when the last batch has settled.
    void whenIntakeSettles(std::function<void()> action);
    void setBadge(const QString &text, const QString &colour);

    // Replaces the dialogs (tests answer them instead of a user).
    void setDialogs(WindowDialogs dialogs);

    // Automation: starts converting the current resource into the folder, as a click with that
    // folder chosen would; false (and nothing started) while the resource is not ready for it.
    bool convertInto(const QString &outputParent);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void chooseResources();
    void resourceChanged(int index);
    void convertCurrent();
    void conversionFinished(bool success, QString outputDirectory, QString error);
    void animationChanged(QString name);
    void advancePreview();
    void onEditorProbeFinished();

private:
    friend class MainWindowTestAccess;

    void buildWidgets();
    void showFullListNamesInTips();
    void showCurrentEntryTip();
    // Intake (mainwindow_intake.cpp).
    void beginIntakeBatch();
    void takeOutcome(const ScanOutcome &outcome);
    void endIntakeBatch();
    void startNextScan();
    void onScanResults(int begin, int end);
    void onScanProgress(int examined);
    void onScanFinished();
    void stopScan();
    void listSkeleton(const ScanOutcome &outcome);
    void showUnrecognizedWarning();
    void showUnsupportedWarning();
    void showPendingWarning(QStringList &pending, const QString &title, const QString &textTemplate);
    void scheduleReadinessCheck();
    void updateReadiness();
    void showReadiness(const ReadinessReport &report);
    void showIncomplete(const QString &badgeText);
    void updateBadgeToolTip();
    QString cachedVersionsText() const;
    QString noSuitableVersionText() const;
    // The one place readiness and the probe set the button; it stays disabled during a conversion.
    void setPrimaryButton(const QString &text, bool enabled);
    bool chooseSpineEditor();
    void startEditorProbe(const QString &line);
    bool probeAnswerApplies(int generation) const;
    QString currentResourcePath() const;

    // Converting every ready skeleton (mainwindow_batch.cpp); plain functions, connected by pointer.
    void convertAll();
    void batchFinished(bool stopped);
    void startBatch(const QString &editor, const QString &outputParent, const QList<BatchItem> &items);
    QString notReadyText(const ReadinessReport &report) const;

    // Conversion (mainwindow_conversion.cpp).
    void setConverting();
    QPushButton *createStopButton();
    void stopConversion();
    void showConversionEnded();

    // Preview (mainwindow_preview.cpp).
    void loadPreview();
    void showSetupPose();
    void listSkins(const SkeletonMetadata &metadata, const QString &firstAnimation);
    void skinChanged(const QString &name);
    void frameAnimation(const QString &name);

    // Playback controls, keyboard and remembered view (mainwindow_playback.cpp).
    void connectPlaybackBar();
    void installShortcuts();
    void restoreViewSettings();
    bool showSample(float deltaSeconds); // false: sampling failed and playback stopped
    void poseAt(float seconds);
    void togglePlayback();
    void stepFrame(int direction);
    void holdForScrub();
    void resumeAfterScrub();
    void setPlaybackLoop(bool loop);
    void setPlaybackSpeed(float speed);
    void showPlaybackState();
    void startTicking();

    QComboBox *resourceCombo = nullptr;
    QComboBox *animationCombo = nullptr;
    QWidget *skinChoice = nullptr;  // the skin list and its label, shown only for several skins and a
    QComboBox *skinCombo = nullptr; // plugin that can switch them
    QCheckBox *straightAlphaCheckBox = nullptr;
    SpinePreviewWidget *previewWidget = nullptr;
    QLabel *statusLabel = nullptr;
    QLabel *badgeLabel = nullptr;
    QPushButton *primaryButton = nullptr;
    QPushButton *convertAllButton = nullptr;
    BatchConversion *batchConversion = nullptr;
    QStringList batchSkipped; // listed skeletons the running batch leaves out, with the reason
    QPushButton *stopButton = nullptr; // shown only while a conversion runs
    QStringList skeletonPaths;
    QString editorVersion;
    QString editorPath;
    QHash<QString, QString> editorVersionsByDataVersion;
    EditorSituation editorSituation; // as the latest readiness run found it
    DetectionCache detectionCache;   // listed skeletons, so a run costs only what changed
    QString currentDataVersion;      // of the latest run's skeleton, for the badge's tool tip
    QString currentLine;
    bool readinessScheduled = false;
    RuntimePlugin runtimePlugin;
    ConversionJob *conversionJob = nullptr;
    QTimer *playbackTimer = nullptr;
    QElapsedTimer playbackClock;
    QFutureWatcher<std::pair<int, QString>> *probeWatcher = nullptr;
    int probeGeneration = 0;
    QStringList pendingUnsupported;
    QStringList pendingUnrecognized;
    // Intake batches: one runs at a time, later ones wait their turn. While a batch is open, a new
    // current entry only marks the preview for loading once when the batch ends.
    QThreadPool scanPool;
    QFutureWatcher<ScanOutcome> *scanWatcher = nullptr;
    QList<QStringList> waitingBatches;
    bool intakeBatchOpen = false;
    bool previewDeferred = false;
    bool settleNoticePending = false;
    QList<std::function<void()>> settleActions;
    QString statusBeforeScan;
    QList<void (MainWindow::*)()> batchWarnings; // in the order the kinds first turned up
    // Set when a readiness run starts a probe, cleared by the next run: only the probe of the latest
    // run may change the badge, whether or not that run started one itself.
    bool probeAnswerWanted = false;
    int readinessRuns = 0; // for tests and benchmarks
    PlaybackBar *playbackBar = nullptr;
    PlaybackModel playback;
    QString playingAnimation; // the name the plugin last accepted
    WindowDialogs dialogs;
};

// The window's style sheet (889 characters).
QString mainWindowStyleSheet();

} // namespace kvx
