#include "support/programrun.h"

#include "common/qt/pathtext.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace kvx::test {

ProgramOutcome runWithHome(const QString &program, const QStringList &arguments, const TempFolder &home, bool withDisplay)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.value(QStringLiteral("QT_QPA_PLATFORM")).startsWith(QLatin1String("offscreen")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!withDisplay) {
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QString::fromLatin1(name));
    }
    environment.insert(QStringLiteral("HOME"), toQString(home.path()));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), toQString(home / ".config"));
    QProcess running;
    running.setProcessEnvironment(environment);
    running.setWorkingDirectory(toQString(home.path()));
    running.setProcessChannelMode(QProcess::MergedChannels);
    running.start(program, arguments);
    ProgramOutcome run;
    run.ended = running.waitForStarted(30000) && running.waitForFinished(120000);
    if (!run.ended) {
        running.kill();
        running.waitForFinished();
        return run;
    }
    run.output = QString::fromUtf8(running.readAll());
    run.exitCode = running.exitStatus() == QProcess::NormalExit ? running.exitCode() : -1;
    return run;
}

} // namespace kvx::test
