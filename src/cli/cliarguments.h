#pragma once
// The command line of kovexa-cli, checked before anything runs.

#include <QString>
#include <QStringList>

namespace kvx {

enum class CliAction { Help, Version, Inspect, Convert, Invalid };

struct CliArguments {
    CliAction action = CliAction::Invalid;
    QStringList paths;
    bool json = false;            // inspect
    QString outputFolder;         // convert
    bool straightAlpha = false;   // convert
    QString editorPath;           // convert; empty: the stored setting, then the install search
    QString error;                // English, for Invalid
};

// arguments without the program name.
CliArguments parseCliArguments(const QStringList &arguments);

QString cliUsage();

} // namespace kvx
