#pragma once
// The command line of kovexa-cli, checked before anything runs. Each command is declared once (its
// options, their values and help, the field each fills); parsing, the usage text and the messages
// for mistakes come from the declarations.

#include <QSize>
#include <QString>
#include <QStringList>

namespace kvx {

enum class CliAction { Help, Version, Inspect, Convert, Unpack, Render, Invalid };

struct CliArguments {
    CliAction action = CliAction::Invalid;
    QString command;              // the command's name; for Help, the command asked about, if any
    QStringList paths;
    bool json = false;            // inspect
    QString outputFolder;         // convert, unpack, render
    bool straightAlpha = false;   // convert, unpack
    QString editorPath;           // convert; empty: the stored setting, then the install search
    // render: values as given, checked by the command
    QString atlasPath;
    QString animation;
    bool allAnimations = false;
    QString skin;
    bool allSkins = false;
    QString time;
    QSize size;                   // empty when not given
    QString scale;
    QString camera;
    QString background;
    QString pageAlpha;            // auto (empty), premultiplied or straight
    QString format;
    int fps = 30;
    int quality = -1;             // -1: not given
    int jobs = 0;                 // 0: not given (one per processor)
    QString error;                // English, for Invalid
};

// arguments without the program name.
CliArguments parseCliArguments(const QStringList &arguments);

// The whole usage, or only the named command's.
QString cliUsage(const QString &command = QString());

} // namespace kvx
