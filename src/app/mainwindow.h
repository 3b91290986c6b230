#pragma once
// The program's only window: resource list, status badge, preview, and the one action button.

#include "app/windowdialogs.h"
#include "preview/runtimeplugin.h"

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

class ConversionJob;
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

    // Automation: starts converting the current resource into the folder, as a click with that
    // folder chosen would; false (and nothing started) while the resource is not ready for it.
    bool convertInto(const QString &outputParent);

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
    void collectCachedEditorVersions();
    bool checkExportComplete(const QString &skeletonPath);
    void showIncomplete(const QString &badgeText);
    // The one place readiness and the probe set the button; it stays disabled during a conversion.
    void setPrimaryButton(const QString &text, bool enabled);
    bool chooseSpineEditor();
    void startEditorProbe(const QString &line);
    bool probeAnswerApplies(int generation) const;
    QString currentResourcePath() const;

    // Conversion (mainwindow_conversion.cpp).
    void setConverting();
    QPushButton *createStopButton();
    void stopConversion();
    void showConversionEnded();

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
    QPushButton *stopButton = nullptr; // shown only while a conversion runs
    QStringList skeletonPaths;
    QString editorVersion;
    QString editorPath;
    QHash<QString, QString> editorVersionsByDataVersion;
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
