#pragma once
// The program's only window: resource list, status badge, preview, and the one action button.

#include "app/windowdialogs.h"
#include "preview/runtimeplugin.h"
#include "readiness/detectioncache.h"
#include "readiness/readiness.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace kvx {

class BatchConversion;
class ConversionJob;
struct BatchItem;
class SpinePreviewWidget;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void addResourcePath(const QString &path);
    void setBadge(const QString &text, const QString &colour);

    // Replaces the dialogs (tests answer them instead of a user).
    void setDialogs(WindowDialogs dialogs);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

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
    void scanForSkeletons(const QString &folder, bool recursive, bool reportProblems);
    void addSkeletonFile(const QString &path, bool reportProblems);
    void listSkeleton(const QString &path);
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

    // Preview (mainwindow_preview.cpp).
    void loadPreview();
    void showSetupPose();

    QComboBox *resourceCombo = nullptr;
    QComboBox *animationCombo = nullptr;
    QCheckBox *straightAlphaCheckBox = nullptr;
    SpinePreviewWidget *previewWidget = nullptr;
    QLabel *statusLabel = nullptr;
    QLabel *badgeLabel = nullptr;
    QPushButton *primaryButton = nullptr;
    QPushButton *convertAllButton = nullptr;
    BatchConversion *batchConversion = nullptr;
    QStringList batchSkipped; // listed skeletons the running batch leaves out, with the reason
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
    // Set when a readiness run starts a probe, cleared by the next run: only the probe of the latest
    // run may change the badge, whether or not that run started one itself.
    bool probeAnswerWanted = false;
    int readinessRuns = 0; // for tests and benchmarks
    WindowDialogs dialogs;
};

// The window's style sheet (889 characters).
QString mainWindowStyleSheet();

} // namespace kvx
