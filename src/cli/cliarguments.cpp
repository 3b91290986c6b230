#include "cli/cliarguments.h"

namespace kvx {
namespace {

CliArguments invalid(const QString &error)
{
    CliArguments arguments;
    arguments.error = error;
    return arguments;
}

// The value following an option, or an error when there is none.
bool takeValue(const QStringList &arguments, qsizetype &index, QString &value, QString &error)
{
    const QString option = arguments.at(index);
    if (index + 1 >= arguments.size() || arguments.at(index + 1).isEmpty()) {
        error = QStringLiteral("option %1 needs a value").arg(option);
        return false;
    }
    value = arguments.at(++index);
    return true;
}

CliArguments parseCommand(CliAction action, const QStringList &arguments)
{
    CliArguments parsed;
    parsed.action = action;
    bool optionsEnded = false;
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        const QString &argument = arguments.at(index);
        if (optionsEnded || !argument.startsWith(QLatin1String("--"))) {
            parsed.paths.append(argument);
            continue;
        }
        QString error;
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (action == CliAction::Inspect && argument == QLatin1String("--json")) {
            parsed.json = true;
        } else if (action == CliAction::Convert && argument == QLatin1String("--straight-alpha")) {
            parsed.straightAlpha = true;
        } else if (action == CliAction::Convert && argument == QLatin1String("--output")) {
            if (!takeValue(arguments, index, parsed.outputFolder, error))
                return invalid(error);
        } else if (action == CliAction::Convert && argument == QLatin1String("--editor")) {
            if (!takeValue(arguments, index, parsed.editorPath, error))
                return invalid(error);
        } else {
            return invalid(QStringLiteral("unknown option %1 for %2").arg(argument, arguments.first()));
        }
    }
    if (parsed.paths.isEmpty())
        return invalid(QStringLiteral("%1 needs at least one path").arg(arguments.first()));
    if (action == CliAction::Convert && parsed.outputFolder.isEmpty())
        return invalid(QStringLiteral("convert needs --output DIR"));
    return parsed;
}

} // namespace

CliArguments parseCliArguments(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return invalid(QStringLiteral("no command given"));
    const QString &first = arguments.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        CliArguments help;
        help.action = CliAction::Help;
        return help;
    }
    if (first == QLatin1String("--version")) {
        CliArguments version;
        version.action = CliAction::Version;
        return version;
    }
    if (first == QLatin1String("inspect"))
        return parseCommand(CliAction::Inspect, arguments);
    if (first == QLatin1String("convert"))
        return parseCommand(CliAction::Convert, arguments);
    return invalid(QStringLiteral("unknown command %1").arg(first));
}

QString cliUsage()
{
    return QStringLiteral(
        "Usage:\n"
        "  kovexa-cli inspect PATH... [--json]\n"
        "  kovexa-cli convert PATH... --output DIR [--straight-alpha] [--editor PATH]\n"
        "  kovexa-cli --help | --version\n"
        "\n"
        "PATH is a skeleton file (.json, .skel, .skel.bytes), a folder (searched with its sub-folders)\n"
        "or any other file of an export (its folder is searched, not below).\n"
        "\n"
        "inspect   one record per skeleton: format, data version, atlas, pages, editor and verdict;\n"
        "          --json prints the records as JSON (schema kovexa-inspect/1).\n"
        "convert   converts every supported skeleton into a new folder inside DIR, one at a time\n"
        "          (one that is not ready counts as failed);\n"
        "          --straight-alpha turns premultiplied pages into straight alpha;\n"
        "          --editor names the Spine Editor to use.\n"
        "\n"
        "Exit codes: 0 success; 1 a skeleton could not be converted (convert) or no skeleton was\n"
        "found; 2 bad arguments; 130 stopped by Ctrl+C.\n");
}

} // namespace kvx
