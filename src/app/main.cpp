// Start-up: name the application, show the window, take in the command-line resources and arm the
// automation switches.

#include "app/commandline.h"
#include "app/mainwindow.h"
#include "common/qt/terminationrequests.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QSessionManager>
#include <QTimer>

namespace {

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

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    // Set before the window exists: every default-constructed QSettings is scoped by these names.
    QCoreApplication::setApplicationName(QStringLiteral("Kovexa"));
    QCoreApplication::setOrganizationName(QStringLiteral("Kovexa"));

    // Before the window, so that a request to end the program finds the window to destroy.
    kvx::TerminationRequests termination;
    // A windowed program learns of the session's end from the session manager (WM_QUERYENDSESSION
    // on Windows): ending the loop there cleans up before the session goes.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &termination,
                     [&termination](QSessionManager &) { termination.carryOut(); });
    kvx::MainWindow window;
    window.show();

    const kvx::CommandLine commandLine = kvx::parseCommandLine(QCoreApplication::arguments());
    window.takeInResources(commandLine.resourcePaths);
    armAutomation(commandLine, application, window);
    return application.exec();
}
