#include "hostapplication.h"

#include <QCoreApplication>

namespace kvx::plugin {

void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    // QCoreApplication keeps references to its arguments for its whole life. A core application
    // rather than a GUI one: it needs no display, and page sizes are read without one.
    static int argumentCount = 1;
    static char programName[] = "kvx-runtime-plugin";
    static char *arguments[] = {programName, nullptr};
    new QCoreApplication(argumentCount, arguments);
}

} // namespace kvx::plugin
