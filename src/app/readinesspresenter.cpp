#include "app/readinesspresenter.h"

#include "app/namelist.h"
#include "app/probeanswer.h"
#include "assets/qt/exportreading.h"
#include "common/qt/pathtext.h"
#include "editor/editordiscovery.h"
#include "editor/probejob.h"
#include "editor/qt/editorlocator.h"

#include <QDir>
#include <QSettings>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace kvx {
namespace {

constexpr int kNoVersionWarningDelayMilliseconds = 1000;

QString versionText(const std::optional<SpineVersion> &version)
{
    return version ? QString::fromStdString(version->fullText()) : QString();
}

} // namespace

ReadinessPresenter::ReadinessPresenter(ExportCatalog &catalog, std::function<QString()> currentPath,
                                       const WindowDialogs &dialogs, QWidget *window)
    : QObject(window), catalog(catalog), currentPath(std::move(currentPath)), dialogs(dialogs), window(window)
{
    probeWatcher = new QFutureWatcher<ProbeAnswer>(this);
    connect(probeWatcher, &QFutureWatcherBase::finished, this, &ReadinessPresenter::onProbeFinished);
}

QString ReadinessPresenter::editorPath() const
{
    return toQString(situation.editorPath);
}

void ReadinessPresenter::schedule()
{
    if (scheduled)
        return;
    scheduled = true;
    QTimer::singleShot(0, this, [this] {
        scheduled = false;
        run();
    });
}

void ReadinessPresenter::forget()
{
    probeAnswerWanted = false;
}

void ReadinessPresenter::show(BadgeState state, const QString &argument)
{
    const BadgeLook look = BadgeTable::look(state, argument);
    if (look.changesButton)
        action = look.action;
    emit badgeChanged(state, argument);
}

void ReadinessPresenter::run()
{
    ++runs;
    probeAnswerWanted = false; // an answer to an earlier run's probe no longer speaks for this one
    readyVersion.clear();
    situation = currentEditorSituation();
    const QString path = currentPath();
    if (path.isEmpty())
        return;
    // The current export is looked at afresh: whatever happened to its files since it was listed counts.
    const ReadinessReport report = assessReadiness(catalog.current(path), situation);
    if (report.verdict == ReadinessVerdict::Unknown)
        return; // nothing to say about it: the badge keeps what it showed
    dataVersion = versionText(report.record.detection.version);
    line = QString::fromStdString(report.line);
    showReport(report);
    updateToolTip();
}

void ReadinessPresenter::showReport(const ReadinessReport &report)
{
    switch (report.verdict) {
    case ReadinessVerdict::MissingAtlas:
        show(BadgeState::MissingAtlas);
        return;
    case ReadinessVerdict::UnreadableAtlas:
        show(BadgeState::UnreadableAtlas);
        return;
    case ReadinessVerdict::MissingPage:
        show(BadgeState::MissingPage, QString::fromStdString(report.record.missingPageFileNames().front()));
        return;
    case ReadinessVerdict::NoEditor:
        show(BadgeState::NoEditor);
        return;
    case ReadinessVerdict::NeedsProbe:
        show(BadgeState::CheckingEditor);
        startProbe(report.line);
        return;
    case ReadinessVerdict::Ready:
        readyVersion = versionText(report.editorVersion);
        show(BadgeState::Ready, readyVersion);
        return;
    case ReadinessVerdict::Unknown:
    case ReadinessVerdict::NoSuitableVersion:
    case ReadinessVerdict::NotCached:
        return; // only a probe's answer ends in these
    }
}

bool ReadinessPresenter::chooseEditor()
{
    const QString chosen = dialogs.chooseEditorFile(window);
    if (chosen.isEmpty())
        return false;
    const std::optional<std::filesystem::path> executable = normalizeSpineExecutable(toPath(chosen));
    if (!executable) {
        show(BadgeState::NotAnEditor);
        return false;
    }
    {
        QSettings settings; // closed, and so written, at the end of this scope
        settings.setValue(QLatin1String(kSpineEditorPathKey), chosen);
    }
    run();
    return !readyVersion.isEmpty();
}

void ReadinessPresenter::startProbe(const std::string &probedLine)
{
    const std::filesystem::path executable = situation.editorPath;
    const int generation = ++probeGeneration;
    probeAnswerWanted = true;
    probeWatcher->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [probedLine, executable, generation] {
        return ProbeAnswer(generation, resolveEditorVersion(probedLine, executable));
    }));
}

bool ReadinessPresenter::probeAnswerApplies(int generation) const
{
    return generation == probeGeneration && probeAnswerWanted;
}

void ReadinessPresenter::onProbeFinished()
{
    if (!probeWatcher->isFinished())
        return;
    const auto [generation, version] = probeAnswer(probeWatcher->future(), probeGeneration);
    if (!probeAnswerApplies(generation))
        return;
    showProbeAnswer(version);
}

void ReadinessPresenter::showProbeAnswer(const std::optional<SpineVersion> &answer)
{
    // Listed again: the cache may have changed while the editor answered.
    situation.cachedVersions = listCachedEditorVersions();
    const ReadinessVerdict verdict = decideProbeAnswer(answer, situation.cachedVersions);
    if (verdict == ReadinessVerdict::Ready) {
        readyVersion = versionText(answer);
        show(BadgeState::Ready, readyVersion);
        updateToolTip();
        return;
    }
    show(BadgeState::NoSuitableVersion);
    // Converting with a version the update cache lacks would make the editor download it.
    const LiveText explanation = [known = facts(), answered = versionText(answer),
                                  notCached = verdict == ReadinessVerdict::NotCached] {
        return notCached ? tr("已找到 Spine %1，但本机未缓存该版本，转换会触发下载。%2")
                               .arg(answered, noSuitableVersionText(known))
                         : noSuitableVersionText(known);
    };
    emit statusChanged(explanation, explanation); // the label may be too narrow for all of it
    updateToolTip();
    const WindowMessage warning{QMessageBox::Warning, tr("未找到对应版本"), tr("未找到对应版本"),
                                explanation.text() + QStringLiteral("\n\n") + wayOutText(line), QString(), QString(),
                                {}};
    // Dropped with the window, and when a later run has replaced this answer meanwhile; never over
    // another dialog (a batch's summary, say), but once it is closed.
    QTimer::singleShot(kNoVersionWarningDelayMilliseconds, this, [this, warning, generation = probeGeneration] {
        showWhenNoDialogIsOpen(
            this, [this, generation] { return probeAnswerApplies(generation); },
            [this, warning] { dialogs.show(window, warning); });
    });
}

QString ReadinessPresenter::wayOutText(const QString &line)
{
    return tr("解决办法：用 Spine 启动器以任一 %1.x 版本启动一次 Spine，这个版本就会缓存在本机；"
              "或者点击“指定 Spine 路径”，选择一个带有 %1.x 版本的 Spine Editor。")
        .arg(line);
}

ReadinessPresenter::Facts ReadinessPresenter::facts() const
{
    Facts known{dataVersion, line, situation.editorPath.empty() ? QString() : QDir::toNativeSeparators(editorPath()),
                readyVersion, {}};
    for (const SpineVersion &version : situation.cachedVersions)
        known.cachedVersions.append(QString::fromStdString(version.fullText()));
    return known;
}

QString ReadinessPresenter::cachedVersionsText(const Facts &facts)
{
    return facts.cachedVersions.isEmpty() ? tr("无") : NameList::of(facts.cachedVersions);
}

void ReadinessPresenter::updateToolTip()
{
    emit badgeToolTipChanged([known = facts()] { return toolTipText(known); });
}

QString ReadinessPresenter::toolTipText(const Facts &facts)
{
    const QString editorText = facts.editorPath.isEmpty()
        ? tr("未找到")
        : tr("%1（版本 %2）").arg(facts.editorPath, facts.readyVersion.isEmpty() ? tr("未确定") : facts.readyVersion);
    return tr("数据版本：%1\nSpine 分支：%2.x\nSpine Editor：%3\n本机已缓存的 Editor 版本：%4")
        .arg(facts.dataVersion, facts.line, editorText, cachedVersionsText(facts));
}

QString ReadinessPresenter::noSuitableVersionText(const Facts &facts)
{
    return tr("数据版本 %1，需要 Spine %2.x；本机已缓存：%3").arg(facts.dataVersion, facts.line, cachedVersionsText(facts));
}

} // namespace kvx
