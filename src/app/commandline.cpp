#include "app/commandline.h"

#include "common/qt/commandoptions.h"

namespace kvx {

namespace {

const QString kScreenshot = QStringLiteral("--screenshot");
const QString kSmokeTest = QStringLiteral("--smoke-test");
const QString kConvertInto = QStringLiteral("--convert-into");
const QString kHelp = QStringLiteral("--help");
const QString kVersion = QStringLiteral("--version");
const QString kLanguage = QStringLiteral("--language");

const CommandDeclaration &programDeclaration()
{
    static const CommandDeclaration declaration{
        QString(), QStringLiteral("[PATH...]"), QStringLiteral("path"), 0,
        {OptionDeclaration{.name = kScreenshot, .value = OptionValue::Text, .valueName = QStringLiteral("FILE"),
                    .help = QStringLiteral("saves a picture of the window once the resources are listed\n"
                                           "and their readiness shown, then quits")},
         OptionDeclaration{.name = kSmokeTest, .help = QStringLiteral("quits right after start-up (exit code 0)")},
         OptionDeclaration{.name = kConvertInto, .value = OptionValue::Text, .valueName = QStringLiteral("FOLDER"),
                    .help = QStringLiteral("converts the current skeleton into FOLDER once it is ready")},
         OptionDeclaration{.name = kLanguage, .value = OptionValue::Choice, .valueName = uiLanguageCodes().join('|'),
                    .help = QStringLiteral("the window's language for this run: en (English) or zh (Chinese);\n"
                                           "otherwise the one last chosen in the window, Chinese at first"),
                    .choices = uiLanguageCodes()}}};
    return declaration;
}

const QList<OptionDeclaration> &programOptions()
{
    static const QList<OptionDeclaration> options{OptionDeclaration{.name = kHelp, .shortName = QStringLiteral("-h")},
                                           OptionDeclaration{.name = kVersion}};
    return options;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    const ParsedCommand parsed = parseCommand(programDeclaration(), arguments.mid(1), programOptions());
    CommandLine commandLine;
    if (parsed.options.has(kHelp)) {
        commandLine.action = CommandLineAction::Help;
    } else if (parsed.options.has(kVersion)) {
        commandLine.action = CommandLineAction::Version;
    } else if (!parsed.mistake.isEmpty()) {
        commandLine.action = CommandLineAction::Invalid;
        commandLine.error = parsed.mistake;
    }
    for (const QString &path : parsed.options.operands) {
        if (!path.isEmpty())
            commandLine.resourcePaths.append(path);
    }
    commandLine.screenshotRequested = parsed.options.has(kScreenshot);
    commandLine.screenshotPath = parsed.options.text(kScreenshot);
    commandLine.smokeTest = parsed.options.has(kSmokeTest);
    commandLine.convertInto = parsed.options.text(kConvertInto);
    if (parsed.options.has(kLanguage))
        commandLine.language = uiLanguageWithCode(parsed.options.text(kLanguage));
    return commandLine;
}

QString commandLineUsage()
{
    return QStringLiteral("Usage:\n  kovexa ") + commandSynopsis(programDeclaration())
        + QStringLiteral("\n  kovexa --help | --version\n\n"
                         "Opens the window and takes in each PATH as a drop would: a skeleton file, a folder\n"
                         "(searched with its sub-folders) or any other file of an export. A PATH beginning\n"
                         "with - follows --. Options take their value as --option VALUE or --option=VALUE.\n\n")
        + optionDescriptions(programDeclaration().options, 2, 26)
        + QStringLiteral("\nExit codes: 0 when the window is closed; 2 bad arguments.\n");
}

} // namespace kvx
