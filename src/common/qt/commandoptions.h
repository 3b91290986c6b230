#pragma once
// A command line declared as data: each option's name, the value it takes and its help. Parsing,
// the usage text and the messages for mistakes all come from the declaration, so a new option or
// command is a new entry, not new parsing code.
//
// "--name value", "--name=value" and "-n value" give a value (the next argument whatever it looks
// like); "--" ends the options; "-" alone is an operand, as is anything not starting with "-".

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <limits>
#include <optional>

namespace kvx {

enum class OptionValue { None, Text, Number, Size, Choice };

struct OptionDeclaration {
    QString name;      // "--output"
    QString shortName; // "-h", or empty
    OptionValue value = OptionValue::None;
    QString valueName; // "DIR", for the usage text and messages
    QString help;      // the usage text's description
    bool required = false;
    int minimum = 1; // Number, and each side of a Size ("WxH")
    int maximum = std::numeric_limits<int>::max();
    QStringList choices; // Choice: the values it takes, as written
};

struct CommandDeclaration {
    QString name;          // "convert" in messages and usage; empty for a program without commands
    QString operands;      // usage: "PATH..." or "[PATH...]"
    QString operandNoun;   // messages: "path"
    int minimumOperands = 0;
    QList<OptionDeclaration> options; // the options the usage text lists
};

class ParsedOptions {
public:
    QStringList operands; // in command-line order

    bool has(const QString &name) const;
    // The first value given for the option, empty when absent; values were checked against their kind.
    QString text(const QString &name) const;
    std::optional<int> number(const QString &name) const;
    std::optional<QSize> size(const QString &name) const;

    void add(const QString &name, const QString &value);

private:
    QList<std::pair<QString, QString>> given;
};

struct ParsedCommand {
    ParsedOptions options;
    QString mistake; // the first one, in English; empty when there is none
};

// Reads the arguments after the program's (and command's) name. alsoAccepted are options every
// command takes without listing them (help, version). Parsing goes on after a mistake, so that a
// help option anywhere is still seen.
ParsedCommand parseCommand(const CommandDeclaration &command, const QStringList &arguments,
                           const QList<OptionDeclaration> &alsoAccepted = {});

// "convert PATH... --output DIR [--straight-alpha] [--editor PATH]" (without the program's name).
QString commandSynopsis(const CommandDeclaration &command);
// One line per option: margin spaces, "--output DIR", and its help from helpColumn on.
QString optionDescriptions(const QList<OptionDeclaration> &options, int margin, int helpColumn);

} // namespace kvx
