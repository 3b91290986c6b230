#include "app/namelist.h"

namespace kvx {

QString NameList::separator()
{
    return tr("、", "between the names of a list");
}

QString NameList::of(const QStringList &names)
{
    return names.join(separator());
}

} // namespace kvx
