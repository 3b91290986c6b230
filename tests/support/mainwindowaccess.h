#pragma once
// Reaches into MainWindow's members and private operations for tests (MainWindow befriends it).

#include "app/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace kvx {

class MainWindowTestAccess {
public:
    explicit MainWindowTestAccess(MainWindow &window) : w(window) {}

    QComboBox *resourceCombo() const { return w.resourceCombo; }
    QComboBox *animationCombo() const { return w.animationCombo; }
    QCheckBox *straightAlphaCheckBox() const { return w.straightAlphaCheckBox; }
    SpinePreviewWidget *previewWidget() const { return w.previewWidget; }
    QLabel *statusLabel() const { return w.statusLabel; }
    QLabel *badgeLabel() const { return w.badgeLabel; }
    QPushButton *primaryButton() const { return w.primaryButton; }
    QPushButton *convertAllButton() const { return w.convertAllButton; }
    BatchConversion *batchConversion() const { return w.batchConversion; }
    const DetectionCache &detectionCache() const { return w.detectionCache; }
    QPushButton *stopButton() const { return w.stopButton; }
    const QStringList &skeletonPaths() const { return w.skeletonPaths; }
    QString &editorVersion() const { return w.editorVersion; }
    QString &editorPath() const { return w.editorPath; }
    const QHash<QString, QString> &editorVersionsByDataVersion() const { return w.editorVersionsByDataVersion; }
    bool readinessScheduled() const { return w.readinessScheduled; }
    RuntimePlugin &runtimePlugin() const { return w.runtimePlugin; }
    ConversionJob *conversionJob() const { return w.conversionJob; }
    QTimer *playbackTimer() const { return w.playbackTimer; }
    QFutureWatcher<std::pair<int, QString>> *probeWatcher() const { return w.probeWatcher; }
    int probeGeneration() const { return w.probeGeneration; }
    const QStringList &pendingUnsupported() const { return w.pendingUnsupported; }
    const QStringList &pendingUnrecognized() const { return w.pendingUnrecognized; }
    int readinessRuns() const { return w.readinessRuns; }
    QThreadPool &scanPool() const { return w.scanPool; }
    bool intakeBatchOpen() const { return w.intakeBatchOpen; }
    bool probeAnswerWanted() const { return w.probeAnswerWanted; }
    void setConversionJob(ConversionJob *job) const { w.conversionJob = job; }

    void updateReadiness() const { w.updateReadiness(); }
    void scheduleReadinessCheck() const { w.scheduleReadinessCheck(); }
    bool chooseSpineEditor() const { return w.chooseSpineEditor(); }
    void startEditorProbe(const QString &line) const { w.startEditorProbe(line); }
    void convertCurrent() const { w.convertCurrent(); }
    void loadPreview() const { w.loadPreview(); }
    void animationChanged(const QString &name) const { w.animationChanged(name); }
    void advancePreview() const { w.advancePreview(); }
    void chooseResources() const { w.chooseResources(); }
    void setPrimaryButton(const QString &text, bool enabled) const { w.setPrimaryButton(text, enabled); }
    QString currentResourcePath() const { return w.currentResourcePath(); }

private:
    MainWindow &w;
};

} // namespace kvx
