#include "app/commandline.h"

namespace kvx {

namespace {

const QString screenshotSwitch = QStringLiteral("--screenshot");
const QString smokeTestSwitch = QStringLiteral("--smoke-test");
const QString convertIntoSwitch = QStringLiteral("--convert-into");

QStringList positionalPaths(const QStringList &arguments)
{
    QStringList paths;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == screenshotSwitch || argument == convertIntoSwitch)
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
    const qsizetype convertIndex = arguments.indexOf(convertIntoSwitch);
    if (convertIndex >= 0 && convertIndex + 1 < arguments.size())
        commandLine.convertInto = arguments.at(convertIndex + 1);
    return commandLine;
}

} // namespace kvx
