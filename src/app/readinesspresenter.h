#pragma once
// Readiness as the window shows it: runs the readiness decision for the current export (merging the
// requests of one batch into one run), asks the editor for its version in the background when the
// update cache cannot tell, and turns the outcome into the badge, the primary button and the status
// line through the badge table. What it shows is handed over as badge states and LiveTexts, so the
// window words it again when the language changes.

#include "app/badgetable.h"
#include "app/probeanswer.h"
#include "app/windowdialogs.h"
#include "common/qt/livetext.h"
#include "readiness/readiness.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <utility>

namespace kvx {

class ExportCatalog;

class ReadinessPresenter : public QObject {
    Q_OBJECT
public:
    // currentPath names the export the badge speaks for; dialogs and window serve the editor choice
    // and the warning box.
    ReadinessPresenter(ExportCatalog &catalog, std::function<QString()> currentPath, const WindowDialogs &dialogs,
                       QWidget *window);

    // Runs once the queued work before it is done; requests meanwhile merge into the one run.
    void schedule();
    // Runs at once.
    void run();
    // Asks the user for the editor program; true when the current export is ready afterwards.
    bool chooseEditor();
    // A new current export: nothing may act on the old one's readiness until the next run.
    void forget();

    PrimaryAction primaryAction() const { return action; }
    QString editorPath() const;
    QString editorVersion() const { return readyVersion; }
    const EditorSituation &editor() const { return situation; }
    int runCount() const { return runs; }
    bool isProbing() const { return probeAnswerWanted; }

signals:
    // The badge table's look for the state and its argument.
    void badgeChanged(kvx::BadgeState state, QString argument);
    void badgeToolTipChanged(kvx::LiveText toolTip);
    void statusChanged(kvx::LiveText text, kvx::LiveText toolTip);

private:
    // What a run found, kept with the texts that speak of it.
    struct Facts {
        QString dataVersion;
        QString line;
        QString editorPath;   // empty: none found
        QString readyVersion; // empty: not determined
        QStringList cachedVersions;
    };

    void show(BadgeState state, const QString &argument = QString());
    void showReport(const ReadinessReport &report);
    void startProbe(const std::string &line);
    void onProbeFinished();
    void showProbeAnswer(const std::optional<SpineVersion> &answer);
    bool probeAnswerApplies(int generation) const;
    void updateToolTip();
    Facts facts() const;
    static QString toolTipText(const Facts &facts);
    static QString cachedVersionsText(const Facts &facts);
    static QString noSuitableVersionText(const Facts &facts);
    // How a user gets an editor version of the line.
    static QString wayOutText(const QString &line);

    ExportCatalog &catalog;
    std::function<QString()> currentPath;
    const WindowDialogs &dialogs;
    QWidget *window = nullptr;
    EditorSituation situation;
    QString readyVersion;      // the version a conversion uses; empty when not ready
    QString dataVersion;       // of the latest run's export, for the tool tip
    QString line;
    PrimaryAction action = PrimaryAction::None;
    bool scheduled = false;
    int runs = 0;
    QFutureWatcher<ProbeAnswer> *probeWatcher = nullptr;
    int probeGeneration = 0;
    // Set when a run starts a probe, cleared by the next run: only the probe of the latest run may
    // change the badge, whether or not that run started one itself.
    bool probeAnswerWanted = false;
};

} // namespace kvx
