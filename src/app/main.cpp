// Start-up: answer help, version and mistakes on the console, or name the application, show the
// window, take in the command-line resources and arm the automation switches.

#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/viewsettings.h"
#include "common/consoletext.h"
#include "common/qt/terminationrequests.h"
#include "common/qt/uilanguage.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QSessionManager>
#include <QTimer>
#include <optional>

#ifndef KVX_VERSION
#define KVX_VERSION "0"
#endif

namespace {

constexpr int kExitUsage = 2;
constexpr int kSmokeTestQuitMilliseconds = 100;
constexpr int kScreenshotMilliseconds = 250;
constexpr int kConvertCheckMilliseconds = 50;
constexpr int kConvertGiveUpMilliseconds = 30000;

// Tries until the current resource is ready (a probe may still be running), then starts once.
void armConversion(const QString &outputParent, QApplication &application, kvx::MainWindow &window)
{
    auto *timer = new QTimer(&application);
    timer->setInterval(kConvertCheckMilliseconds);
    const QDeadlineTimer giveUp(kConvertGiveUpMilliseconds);
    QObject::connect(timer, &QTimer::timeout, &window, [timer, giveUp, outputParent, &window] {
        if (window.convertInto(outputParent) || giveUp.hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

void armAutomation(const kvx::CommandLine &commandLine, QApplication &application, kvx::MainWindow &window)
{
    if (commandLine.screenshotRequested) {
        const QString path = commandLine.screenshotPath;
        QTimer::singleShot(kScreenshotMilliseconds, &application, [&window, path] {
            const auto shoot = [&window, path] {
                window.grab().save(path); // an unwritable screenshot is not worth a message
                QCoreApplication::quit();
            };
            // The picture shows the command-line resources taken in and their readiness settled.
            window.whenIntakeSettles(shoot);
        });
    }
    if (!commandLine.convertInto.isEmpty())
        armConversion(commandLine.convertInto, application, window);
    if (commandLine.smokeTest)
        QTimer::singleShot(kSmokeTestQuitMilliseconds, &application, [] { QCoreApplication::quit(); });
}

void writeConsole(kvx::ConsoleStream stream, const QString &text)
{
    kvx::writeConsoleText(stream, text.toStdString());
}

// The exit code when the command line is answered on the console rather than by the window.
std::optional<int> answerOnConsole(const kvx::CommandLine &commandLine)
{
    switch (commandLine.action) {
    case kvx::CommandLineAction::Help:
        writeConsole(kvx::ConsoleStream::Output, kvx::commandLineUsage());
        return 0;
    case kvx::CommandLineAction::Version:
        writeConsole(kvx::ConsoleStream::Output, QStringLiteral("kovexa " KVX_VERSION "\n"));
        return 0;
    case kvx::CommandLineAction::Invalid:
        writeConsole(kvx::ConsoleStream::Error,
                     QStringLiteral("kovexa: %1\nTry 'kovexa --help'.\n").arg(commandLine.error));
        return kExitUsage;
    case kvx::CommandLineAction::OpenWindow:
        break;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv)
{
    // Help and version are answered before the window system is touched, so they work without a
    // display. The narrow arguments suffice for that; paths come from Qt's reading below.
    QStringList narrowArguments;
    for (int i = 0; i < argc; ++i)
        narrowArguments.append(QString::fromLocal8Bit(argv[i]));
    if (const kvx::CommandLine early = kvx::parseCommandLine(narrowArguments);
        early.action == kvx::CommandLineAction::Help || early.action == kvx::CommandLineAction::Version)
        return *answerOnConsole(early);

    QApplication application(argc, argv);
    // Qt has taken its own options (-platform, -style, ...) out of the arguments by now.
    const kvx::CommandLine commandLine = kvx::parseCommandLine(QCoreApplication::arguments());
    if (const std::optional<int> exitCode = answerOnConsole(commandLine))
        return *exitCode;
    // Set before the window exists: every default-constructed QSettings is scoped by these names.
    QCoreApplication::setApplicationName(QStringLiteral("Kovexa"));
    QCoreApplication::setOrganizationName(QStringLiteral("Kovexa"));
    // The command line's language is for this run; the one chosen in the window is remembered.
    kvx::useUiLanguage(commandLine.language.value_or(kvx::readViewSettings().language));

    // Before the window, so that a request to end the program finds the window to destroy.
    kvx::TerminationRequests termination;
    // A windowed program learns of the session's end from the session manager (WM_QUERYENDSESSION
    // on Windows): ending the loop there cleans up before the session goes.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &termination,
                     [&termination](QSessionManager &) { termination.carryOut(); });
    kvx::MainWindow window;
    window.show();

    window.takeInResources(commandLine.resourcePaths);
    armAutomation(commandLine, application, window);
    return application.exec();
}
