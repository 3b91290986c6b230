#include "cli/cliarguments.h"

#include "common/qt/commandoptions.h"

#include <variant>

namespace kvx {
namespace {

using Field = std::variant<bool CliArguments::*, QString CliArguments::*, int CliArguments::*, QSize CliArguments::*>;

struct DeclaredOption {
    OptionDeclaration declaration;
    Field field;
};

struct DeclaredCommand {
    CliAction action;
    QString name;
    QString summary; // for the usage text; lines after the first are indented with it
    QList<DeclaredOption> options;

    CommandDeclaration declaration() const
    {
        CommandDeclaration command{name, QStringLiteral("PATH..."), QStringLiteral("path"), 1, {}};
        for (const DeclaredOption &option : options)
            command.options.append(option.declaration);
        return command;
    }
};

DeclaredOption flag(const QString &name, bool CliArguments::*field, const QString &help)
{
    return {OptionDeclaration{.name = name, .help = help}, field};
}

DeclaredOption text(const QString &name, const QString &valueName, QString CliArguments::*field, const QString &help,
                    bool required = false)
{
    return {OptionDeclaration{.name = name, .value = OptionValue::Text, .valueName = valueName, .help = help, .required = required},
            field};
}

DeclaredOption number(const QString &name, const QString &valueName, int CliArguments::*field, const QString &help,
                      int minimum, int maximum)
{
    return {OptionDeclaration{.name = name, .value = OptionValue::Number, .valueName = valueName, .help = help,
                              .minimum = minimum, .maximum = maximum},
            field};
}

DeclaredOption choice(const QString &name, const QStringList &choices, QString CliArguments::*field,
                      const QString &help)
{
    return {OptionDeclaration{.name = name, .value = OptionValue::Choice, .valueName = choices.join(QLatin1Char('|')),
                              .help = help, .choices = choices},
            field};
}

DeclaredOption size(const QString &name, QSize CliArguments::*field, const QString &help, int maximum)
{
    return {OptionDeclaration{.name = name, .value = OptionValue::Size, .valueName = QStringLiteral("WxH"), .help = help,
                              .maximum = maximum},
            field};
}

DeclaredCommand renderCommand()
{
    return {CliAction::Render,
            QStringLiteral("render"),
            QStringLiteral("draws frames of every supported skeleton as the official renderer does, each output\n"
                           "in a plugin session of its own, into DIR/<skeleton>/<animation>[-<skin>]: with --time\n"
                           "one PNG, otherwise the whole animation (n = max(1, round(duration x fps)) frames,\n"
                           "frame i at i / fps) as a folder of numbered PNGs or one animation file. Without\n"
                           "--camera the extent of everything the frames draw is centred with a margin of 5 %\n"
                           "of the image on each edge. Names are made safe for every file system (a / in a\n"
                           "name makes a folder); a taken name gets -2, -3; nothing is replaced."),
            {text(QStringLiteral("--output"), QStringLiteral("DIR"), &CliArguments::outputFolder,
                  QStringLiteral("the folder the outputs go into (created when missing)"), true),
             text(QStringLiteral("--atlas"), QStringLiteral("FILE"), &CliArguments::atlasPath,
                  QStringLiteral("the atlas of the one skeleton given, instead of its companion")),
             text(QStringLiteral("--animation"), QStringLiteral("NAME"), &CliArguments::animation,
                  QStringLiteral("the animation to render (default: the first)")),
             flag(QStringLiteral("--all-animations"), &CliArguments::allAnimations,
                  QStringLiteral("renders every animation")),
             text(QStringLiteral("--skin"), QStringLiteral("NAME"), &CliArguments::skin,
                  QStringLiteral("the skin to show (default: the one the window shows first)")),
             flag(QStringLiteral("--all-skins"), &CliArguments::allSkins,
                  QStringLiteral("renders every skin that draws something")),
             text(QStringLiteral("--time"), QStringLiteral("SECONDS"), &CliArguments::time,
                  QStringLiteral("one PNG of the frame at that time (0-86400)")),
             text(QStringLiteral("--format"), QStringLiteral("FORMAT"), &CliArguments::format,
                  QStringLiteral("png (numbered frames), gif, apng, webp, webm, mov or mp4 (default png)")),
             number(QStringLiteral("--fps"), QStringLiteral("N"), &CliArguments::fps,
                    QStringLiteral("frames per second, 1-120 (gif 1-50; default 30)"), 1, 120),
             number(QStringLiteral("--quality"), QStringLiteral("Q"), &CliArguments::quality,
                    QStringLiteral("0-100: lossy apng or webp (default lossless)"), 0, 100),
             size(QStringLiteral("--size"), &CliArguments::size,
                  QStringLiteral("the image size, up to 8192x8192 (mp4: even)"), 8192),
             text(QStringLiteral("--scale"), QStringLiteral("S"), &CliArguments::scale,
                  QStringLiteral("pixels per skeleton unit without --size (default 1), else\n"
                                 "a factor on the fitted zoom")),
             text(QStringLiteral("--camera"), QStringLiteral("X,Y,ZOOM"), &CliArguments::camera,
                  QStringLiteral("skeleton point (X, Y), y up, at the image centre, ZOOM pixels\n"
                                 "per unit (needs --size)")),
             text(QStringLiteral("--background"), QStringLiteral("COLOUR"), &CliArguments::background,
                  QStringLiteral("transparent (default; mp4: black) or #RRGGBB")),
             choice(QStringLiteral("--page-alpha"), {QStringLiteral("auto"), QStringLiteral("premultiplied"), QStringLiteral("straight")},
                    &CliArguments::pageAlpha,
                    QStringLiteral("how the pages' colours are taken: as the atlas says (auto, the\n"
                                   "default; a 3.8 atlas cannot say premultiplied), or all as given")),
             number(QStringLiteral("--jobs"), QStringLiteral("N"), &CliArguments::jobs,
                    QStringLiteral("outputs rendered at once, 1-64 (default: one per processor)"), 1, 64)}};
}

const QList<DeclaredCommand> &declaredCommands()
{
    static const QString straightAlphaHelp = QStringLiteral("turns premultiplied pages into straight alpha");
    static const QList<DeclaredCommand> commands{
        {CliAction::Inspect,
         QStringLiteral("inspect"),
         QStringLiteral("one record per skeleton: format, data version, atlas, pages, editor and verdict."),
         {flag(QStringLiteral("--json"), &CliArguments::json,
               QStringLiteral("prints the records as JSON (schema kovexa-inspect/1)"))}},
        {CliAction::Convert,
         QStringLiteral("convert"),
         QStringLiteral("converts every supported skeleton into a new folder inside DIR, one at a time\n"
                        "(one that is not ready counts as failed)."),
         {text(QStringLiteral("--output"), QStringLiteral("DIR"), &CliArguments::outputFolder,
               QStringLiteral("the folder the projects go into (created when missing)"), true),
          flag(QStringLiteral("--straight-alpha"), &CliArguments::straightAlpha, straightAlphaHelp),
          text(QStringLiteral("--editor"), QStringLiteral("PATH"), &CliArguments::editorPath,
               QStringLiteral("names the Spine Editor to use"))}},
        {CliAction::Unpack,
         QStringLiteral("unpack"),
         QStringLiteral("writes every region of the skeletons' atlases (and of atlases named directly),\n"
                        "each atlas once, as its own PNG into a new folder DIR/<skeleton or atlas name>:\n"
                        "turned upright, stripped whitespace restored, folders of the region's name kept,\n"
                        "indexed regions as <name>_<index>.png; nothing is replaced."),
         {text(QStringLiteral("--output"), QStringLiteral("DIR"), &CliArguments::outputFolder,
               QStringLiteral("the folder the images go into (created when missing)"), true),
          flag(QStringLiteral("--straight-alpha"), &CliArguments::straightAlpha, straightAlphaHelp)}},
        renderCommand(),
    };
    return commands;
}

const OptionDeclaration kHelpOption{.name = QStringLiteral("--help"), .shortName = QStringLiteral("-h")};
const OptionDeclaration kVersionOption{.name = QStringLiteral("--version")};

const DeclaredCommand *findCommand(const QString &name)
{
    for (const DeclaredCommand &command : declaredCommands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

CliArguments invalid(const QString &error)
{
    CliArguments arguments;
    arguments.error = error;
    return arguments;
}

CliArguments withAction(CliAction action, const QString &command = QString())
{
    CliArguments arguments;
    arguments.action = action;
    arguments.command = command;
    return arguments;
}

void store(const ParsedOptions &parsed, const DeclaredOption &option, CliArguments &arguments)
{
    const QString &name = option.declaration.name;
    if (!parsed.has(name))
        return;
    std::visit(
        [&](auto field) {
            using Value = std::remove_reference_t<decltype(arguments.*field)>;
            if constexpr (std::is_same_v<Value, bool>)
                arguments.*field = true;
            else if constexpr (std::is_same_v<Value, QString>)
                arguments.*field = parsed.text(name);
            else if constexpr (std::is_same_v<Value, int>)
                arguments.*field = parsed.number(name).value_or(0);
            else
                arguments.*field = parsed.size(name).value_or(QSize());
        },
        option.field);
}

CliArguments parseCommandArguments(const DeclaredCommand &command, const QStringList &arguments)
{
    const ParsedCommand parsed = parseCommand(command.declaration(), arguments, {kHelpOption, kVersionOption});
    if (parsed.options.has(kHelpOption.name))
        return withAction(CliAction::Help, command.name);
    if (parsed.options.has(kVersionOption.name))
        return withAction(CliAction::Version);
    if (!parsed.mistake.isEmpty())
        return invalid(parsed.mistake);
    CliArguments result = withAction(command.action, command.name);
    result.paths = parsed.options.operands;
    for (const DeclaredOption &option : command.options)
        store(parsed.options, option, result);
    return result;
}

QString commandUsage(const DeclaredCommand &command)
{
    constexpr int kCommandColumn = 10;
    constexpr int kHelpColumn = 30;
    QString summary = command.summary;
    summary.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(kCommandColumn, QLatin1Char(' ')));
    return command.name.leftJustified(kCommandColumn) + summary + QLatin1Char('\n')
        + optionDescriptions(command.declaration().options, kCommandColumn, kHelpColumn);
}

} // namespace

CliArguments parseCliArguments(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return invalid(QStringLiteral("no command given"));
    const QString &first = arguments.first();
    if (first == kHelpOption.name || first == kHelpOption.shortName)
        return withAction(CliAction::Help);
    if (first == QLatin1String("help"))
        return withAction(CliAction::Help, findCommand(arguments.value(1)) ? arguments.value(1) : QString());
    if (first == kVersionOption.name)
        return withAction(CliAction::Version);
    if (const DeclaredCommand *command = findCommand(first))
        return parseCommandArguments(*command, arguments.mid(1));
    const QStringList beforeOperands = arguments.mid(0, arguments.indexOf(QStringLiteral("--")));
    if (beforeOperands.contains(kHelpOption.name) || beforeOperands.contains(kHelpOption.shortName))
        return withAction(CliAction::Help);
    return invalid(QStringLiteral("unknown command %1").arg(first));
}

QString cliUsage(const QString &commandName)
{
    const DeclaredCommand *only = findCommand(commandName);
    QString usage = QStringLiteral("Usage:\n");
    for (const DeclaredCommand &command : declaredCommands()) {
        if (!only || only == &command)
            usage += QStringLiteral("  kovexa-cli ") + commandSynopsis(command.declaration()) + QLatin1Char('\n');
    }
    usage += only ? QStringLiteral("  kovexa-cli %1 --help\n\n").arg(only->name) : QStringLiteral("  kovexa-cli --help | --version\n\n");
    usage += QStringLiteral(
        "PATH is a skeleton file (.json, .skel, .skel.bytes), a folder (searched with its sub-folders)\n"
        "or any other file of an export (its folder is searched, not below); a PATH beginning with -\n"
        "follows --. Options take their value as --option VALUE or --option=VALUE; -h is --help.\n\n");
    for (const DeclaredCommand &command : declaredCommands()) {
        if (!only || only == &command)
            usage += commandUsage(command);
    }
    return usage + QStringLiteral(
        "\n"
        "Exit codes: 0 success; 1 a skeleton could not be converted, an atlas unpacked or an output\n"
        "rendered, nothing was found, or a PATH does not exist; 2 bad arguments (an animation or skin\n"
        "a skeleton lacks included), no PATH exists, or DIR cannot be created or written; 130 stopped\n"
        "by Ctrl+C or a termination request (nothing unfinished is left behind).\n");
}

} // namespace kvx
