#pragma once
// The one table of what the status badge and the primary button show: every badge state with its
// text, colour and the button's text and state.

#include <QCoreApplication>
#include <QString>

namespace kvx {

enum class BadgeState {
    MissingAtlas,
    UnreadableAtlas,
    MissingPage,       // argument: the page's file name
    NoEditor,
    CheckingEditor,
    Ready,             // argument: the editor version
    NoSuitableVersion,
    NotAnEditor,       // the chosen program is no Spine Editor; the button stays as it was
    Converting,        // argument: the editor version
    Unavailable,       // the export went away during a conversion
};

// What the primary button does when clicked in a state.
enum class PrimaryAction { None, Convert, ChooseEditor };

struct BadgeLook {
    QString text;
    QString colour;
    bool changesButton = true;
    QString buttonText;
    bool buttonEnabled = false;
    PrimaryAction action = PrimaryAction::None;
};

class BadgeTable {
    Q_DECLARE_TR_FUNCTIONS(BadgeTable)
public:
    static BadgeLook look(BadgeState state, const QString &argument = QString());
    // The button's text while a conversion runs, and when it may start one.
    static QString convertingButtonText();
    static QString convertButtonText();
};

} // namespace kvx
