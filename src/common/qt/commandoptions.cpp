#include "common/qt/commandoptions.h"

#include <QRegularExpression>
#include <algorithm>

namespace kvx {
namespace {

const OptionDeclaration *findOption(const QList<OptionDeclaration> &options, const QString &name)
{
    for (const OptionDeclaration &option : options) {
        if (option.name == name || (!option.shortName.isEmpty() && option.shortName == name))
            return &option;
    }
    return nullptr;
}

QString rangeText(const OptionDeclaration &option)
{
    if (option.maximum == std::numeric_limits<int>::max())
        return QStringLiteral("of at least %1").arg(option.minimum);
    return QStringLiteral("from %1 to %2").arg(option.minimum).arg(option.maximum);
}

std::optional<int> wholeNumber(const QString &text, const OptionDeclaration &option)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const int value = text.toInt();
    if (value < option.minimum || value > option.maximum)
        return std::nullopt;
    return value;
}

std::optional<QSize> sizeValue(const QString &text, const OptionDeclaration &option)
{
    const QStringList sides = text.split(QLatin1Char('x'));
    if (sides.size() != 2)
        return std::nullopt;
    const std::optional<int> width = wholeNumber(sides[0], option);
    const std::optional<int> height = wholeNumber(sides[1], option);
    if (!width || !height)
        return std::nullopt;
    return QSize(*width, *height);
}

// Empty when the value suits the option's kind.
QString valueMistake(const OptionDeclaration &option, const QString &value)
{
    switch (option.value) {
    case OptionValue::None:
        return QStringLiteral("option %1 takes no value").arg(option.name);
    case OptionValue::Text:
        return QString();
    case OptionValue::Number:
        return wholeNumber(value, option) ? QString()
                                          : QStringLiteral("option %1 needs a whole number %2").arg(option.name, rangeText(option));
    case OptionValue::Size:
        return sizeValue(value, option) ? QString()
                                        : QStringLiteral("option %1 needs WIDTHxHEIGHT, each %2").arg(option.name, rangeText(option));
    case OptionValue::Choice:
        return option.choices.contains(value)
            ? QString()
            : QStringLiteral("option %1 needs one of %2, not %3").arg(option.name, option.choices.join(QStringLiteral(", ")), value);
    }
    return QString();
}

QString optionUsage(const OptionDeclaration &option)
{
    return option.value == OptionValue::None ? option.name : option.name + QLatin1Char(' ') + option.valueName;
}

class Parser {
public:
    Parser(const CommandDeclaration &command, QList<OptionDeclaration> options) : command(command), options(std::move(options)) {}

    ParsedCommand parse(const QStringList &arguments)
    {
        bool optionsEnded = false;
        for (qsizetype index = 0; index < arguments.size(); ++index) {
            const QString &argument = arguments.at(index);
            if (optionsEnded || argument.size() < 2 || !argument.startsWith(QLatin1Char('-')))
                result.options.operands.append(argument);
            else if (argument == QLatin1String("--"))
                optionsEnded = true;
            else
                readOption(arguments, index);
        }
        checkRequired();
        return std::move(result);
    }

private:
    void readOption(const QStringList &arguments, qsizetype &index)
    {
        QString name = arguments.at(index);
        std::optional<QString> value;
        if (const qsizetype equals = name.indexOf(QLatin1Char('=')); name.startsWith(QLatin1String("--")) && equals > 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        const OptionDeclaration *option = findOption(options, name);
        if (!option) {
            note(command.name.isEmpty() ? QStringLiteral("unknown option %1").arg(name)
                                        : QStringLiteral("unknown option %1 for %2").arg(name, command.name));
            return;
        }
        if (!value && option->value != OptionValue::None && index + 1 < arguments.size())
            value = arguments.at(++index);
        if (option->value != OptionValue::None && (!value || value->isEmpty())) {
            note(QStringLiteral("option %1 needs a value").arg(option->name));
            return;
        }
        if (value) {
            if (const QString mistake = valueMistake(*option, *value); !mistake.isEmpty()) {
                note(mistake);
                return;
            }
        }
        result.options.add(option->name, value.value_or(QString()));
    }

    void checkRequired()
    {
        if (result.options.operands.size() < command.minimumOperands)
            note(QStringLiteral("%1 needs at least one %2").arg(command.name, command.operandNoun));
        for (const OptionDeclaration &option : options) {
            if (option.required && !result.options.has(option.name))
                note(QStringLiteral("%1 needs %2").arg(command.name, optionUsage(option)));
        }
    }

    void note(const QString &mistake)
    {
        if (result.mistake.isEmpty())
            result.mistake = mistake;
    }

    const CommandDeclaration &command;
    QList<OptionDeclaration> options;
    ParsedCommand result;
};

} // namespace

bool ParsedOptions::has(const QString &name) const
{
    return std::any_of(given.begin(), given.end(), [&name](const auto &entry) { return entry.first == name; });
}

QString ParsedOptions::text(const QString &name) const
{
    for (const auto &[option, value] : given) {
        if (option == name)
            return value;
    }
    return QString();
}

std::optional<int> ParsedOptions::number(const QString &name) const
{
    return has(name) ? std::optional<int>(text(name).toInt()) : std::nullopt;
}

std::optional<QSize> ParsedOptions::size(const QString &name) const
{
    if (!has(name))
        return std::nullopt;
    const QStringList sides = text(name).split(QLatin1Char('x'));
    return QSize(sides.value(0).toInt(), sides.value(1).toInt());
}

void ParsedOptions::add(const QString &name, const QString &value)
{
    given.append({name, value});
}

ParsedCommand parseCommand(const CommandDeclaration &command, const QStringList &arguments, const QList<OptionDeclaration> &alsoAccepted)
{
    return Parser(command, command.options + alsoAccepted).parse(arguments);
}

QString commandSynopsis(const CommandDeclaration &command)
{
    QStringList parts;
    if (!command.name.isEmpty())
        parts.append(command.name);
    if (!command.operands.isEmpty())
        parts.append(command.operands);
    for (const OptionDeclaration &option : command.options)
        parts.append(option.required ? optionUsage(option) : QLatin1Char('[') + optionUsage(option) + QLatin1Char(']'));
    return parts.join(QLatin1Char(' '));
}

QString optionDescriptions(const QList<OptionDeclaration> &options, int margin, int helpColumn)
{
    const QString helpIndent(helpColumn, QLatin1Char(' '));
    QString text;
    for (const OptionDeclaration &option : options) {
        const QString usage = QString(margin, QLatin1Char(' ')) + optionUsage(option);
        text += usage.size() + 2 <= helpColumn ? usage.leftJustified(helpColumn) : usage + QLatin1Char('\n') + helpIndent;
        text += QString(option.help).replace(QLatin1Char('\n'), QLatin1Char('\n') + helpIndent) + QLatin1Char('\n');
    }
    return text;
}

} // namespace kvx
