#pragma once
// What the program's arguments ask for: resources to take in and the automation switches, or an
// answer on the console (help, version, a mistake) instead of the window.

#include "common/qt/uilanguage.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace kvx {

enum class CommandLineAction { OpenWindow, Help, Version, Invalid };

struct CommandLine {
    CommandLineAction action = CommandLineAction::OpenWindow;
    QStringList resourcePaths; // in command-line order
    QString screenshotPath;    // empty: no screenshot requested
    bool screenshotRequested = false;
    bool smokeTest = false;
    QString convertInto; // --convert-into FOLDER: convert the current resource there once it is ready
    std::optional<UiLanguage> language; // --language: for this run, over the remembered choice
    QString error;       // English, for Invalid
};

// The arguments as QCoreApplication::arguments() gives them (index 0 is the program). Help and
// version win over mistakes; an unknown option or an option without its value is a mistake.
CommandLine parseCommandLine(const QStringList &arguments);

QString commandLineUsage();

} // namespace kvx
