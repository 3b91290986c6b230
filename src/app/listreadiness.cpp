#include "app/listreadiness.h"

#include "app/readinesstext.h"
#include "app/resourcelist.h"
#include "assets/qt/exportreading.h"
#include "editor/qt/editorlocator.h"

#include <QEvent>
#include <QTimer>
#include <optional>

namespace kvx {
namespace {

constexpr int kEntriesPerTurn = 24;

} // namespace

ListReadiness::ListReadiness(ExportCatalog &catalog, ResourceList &list, QObject *parent)
    : QObject(parent), catalog(catalog), list(list)
{
    turns = new QTimer(this);
    turns->setInterval(0);
    connect(turns, &QTimer::timeout, this, &ListReadiness::step);
}

void ListReadiness::refresh()
{
    nextRow = 0;
    turns->start();
}

bool ListReadiness::event(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        refresh();
    return QObject::event(event);
}

bool ListReadiness::isRefreshing() const
{
    return turns->isActive();
}

void ListReadiness::step()
{
    // The editor and its cache are looked up once per turn, not once per entry.
    const EditorSituation situation = currentEditorSituation();
    const int end = std::min(nextRow + kEntriesPerTurn, list.count());
    for (; nextRow < end; ++nextRow) {
        const ReadinessReport report = assessReadiness(catalog.current(list.pathOf(nextRow)), situation);
        list.setReadiness(nextRow, ReadinessText::of(report), report.verdict == ReadinessVerdict::Ready);
    }
    if (nextRow >= list.count())
        turns->stop();
}

} // namespace kvx
