#pragma once
// The command line of kovexa-cli, checked before anything runs. Each command is declared once (its
// options, their values and help, the field each fills); parsing, the usage text and the messages
// for mistakes come from the declarations.

#include <QSize>
#include <QString>
#include <QStringList>

namespace kvx {

enum class CliAction { Help, Version, Inspect, Convert, Unpack, Invalid };

struct CliArguments {
    CliAction action = CliAction::Invalid;
    QString command;              // the command's name; for Help, the command asked about, if any
    QStringList paths;
    bool json = false;            // inspect
    QString outputFolder;         // convert, unpack
    bool straightAlpha = false;   // convert, unpack
    QString editorPath;           // convert; empty: the stored setting, then the install search
    QString error;                // English, for Invalid
};

// arguments without the program name.
CliArguments parseCliArguments(const QStringList &arguments);

// The whole usage, or only the named command's.
QString cliUsage(const QString &command = QString());

} // namespace kvx
