#include "common/qt/terminationrequests.h"

#include <QCoreApplication>

namespace kvx {

void TerminationRequests::carryOut() const
{
    if (onRequest)
        onRequest();
    else
        QCoreApplication::exit(0); // every running loop ends, a modal dialog's included
}

} // namespace kvx
