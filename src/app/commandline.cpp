#include "app/commandline.h"

namespace kvx {

namespace {

const QString screenshotSwitch = QStringLiteral("--screenshot");
const QString smokeTestSwitch = QStringLiteral("--smoke-test");

QStringList positionalPaths(const QStringList &arguments)
{
    QStringList paths;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == screenshotSwitch)
            ++i; // the file after the switch is never a resource
        else if (!argument.isEmpty() && !argument.startsWith(QLatin1Char('-')))
            paths.append(argument);
    }
    return paths;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine commandLine;
    commandLine.resourcePaths = positionalPaths(arguments);
    // The whole list is searched, so the file after --screenshot may itself be --smoke-test.
    const qsizetype screenshotIndex = arguments.indexOf(screenshotSwitch);
    if (screenshotIndex >= 0 && screenshotIndex + 1 < arguments.size()) {
        commandLine.screenshotRequested = true;
        commandLine.screenshotPath = arguments.at(screenshotIndex + 1);
    }
    commandLine.smokeTest = arguments.contains(smokeTestSwitch);
    return commandLine;
}

} // namespace kvx
