#pragma once
// What the program's arguments ask for: resources to take in and the two automation switches.

#include <QString>
#include <QStringList>

namespace kvx {

struct CommandLine {
    QStringList resourcePaths; // in command-line order
    QString screenshotPath;    // empty: no screenshot requested
    bool screenshotRequested = false;
    bool smokeTest = false;
    QString convertInto; // --convert-into FOLDER: convert the current resource there once it is ready
};

// The arguments as QCoreApplication::arguments() gives them (index 0 is the program).
CommandLine parseCommandLine(const QStringList &arguments);

} // namespace kvx
