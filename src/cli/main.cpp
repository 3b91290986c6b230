// kovexa-cli: inspect, convert, unpack and render Spine exports from a console or a pipeline, with the same
// readiness and conversion as the window.

#include "cli/cliarguments.h"
#include "cli/commands.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#ifndef KVX_VERSION
#define KVX_VERSION "0"
#endif

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    // The same names as the window: the stored editor path is shared.
    QCoreApplication::setApplicationName(QStringLiteral("Kovexa"));
    QCoreApplication::setOrganizationName(QStringLiteral("Kovexa"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const kvx::CliArguments parsed = kvx::parseCliArguments(arguments);
    switch (parsed.action) {
    case kvx::CliAction::Help:
        out << kvx::cliUsage(parsed.command);
        return kvx::kExitSuccess;
    case kvx::CliAction::Version:
        out << "kovexa-cli " << KVX_VERSION << '\n';
        return kvx::kExitSuccess;
    case kvx::CliAction::Inspect:
        return kvx::runInspect(parsed, out, err);
    case kvx::CliAction::Convert:
        return kvx::runConvert(parsed, out, err);
    case kvx::CliAction::Unpack:
        return kvx::runUnpack(parsed, out, err);
    case kvx::CliAction::Render:
        return kvx::runRender(parsed, out, err);
    case kvx::CliAction::Invalid:
        break;
    }
    err << "kovexa-cli: " << parsed.error << "\nTry 'kovexa-cli --help'.\n";
    return kvx::kExitUsage;
}
