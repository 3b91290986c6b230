#include "interpretedscripts.h"

#include <QByteArray>
#include <QtGlobal>

namespace kvx::plugin {

void keepScriptsInterpreted()
{
    if (!qEnvironmentVariableIsSet("QV4_FORCE_INTERPRETER"))
        qputenv("QV4_FORCE_INTERPRETER", QByteArray("1"));
}

} // namespace kvx::plugin
