#include "app/resourcelist.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTreeView>
#include <algorithm>

namespace kvx {
namespace {

const QColor kReadyColour(0x55, 0xd6, 0x8b);
const QColor kNotReadyColour(0xf2, 0xb8, 0x4b);
constexpr double kWidestShare = 0.9; // of the screen, for the drop-down

QStandardItem *cell(const QString &text, const QString &toolTip)
{
    auto *item = new QStandardItem(text);
    item->setToolTip(toolTip);
    item->setEditable(false);
    return item;
}

} // namespace

ResourceList::ResourceList(QWidget *parent) : ElidedComboBox(parent)
{
    entries = new QStandardItemModel(0, 4, this);
    entries->setHorizontalHeaderLabels({tr("名称"), tr("文件夹"), tr("数据版本"), tr("状态")});
    setModel(entries);
    table = new QTreeView;
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setAllColumnsShowFocus(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table->header()->setStretchLastSection(true);
    setView(table);
}

void ResourceList::addEntry(const QString &path, const QString &folder, const QString &version, const QString &toolTip)
{
    const int row = count();
    QStandardItem *name = cell(QFileInfo(path).completeBaseName(), toolTip);
    name->setData(path, Qt::UserRole);
    entries->appendRow({name, cell(folder, toolTip), cell(version, toolTip), cell(QString(), toolTip)});
    table->setRowHidden(row, QModelIndex(), !matchesFilter(row));
}

void ResourceList::setReadiness(int row, const QString &text, bool ready)
{
    QStandardItem *item = entries->item(row, Readiness);
    if (!item || item->text() == text)
        return;
    item->setText(text);
    item->setForeground(ready ? kReadyColour : kNotReadyColour);
}

QString ResourceList::folderOf(int row) const
{
    const QStandardItem *item = entries->item(row, Folder);
    return item ? item->text() : QString();
}

QString ResourceList::pathOf(int row) const
{
    return itemData(row, Qt::UserRole).toString();
}

bool ResourceList::matchesFilter(int row) const
{
    return filter.isEmpty() || itemText(row).contains(filter, Qt::CaseInsensitive)
        || folderOf(row).contains(filter, Qt::CaseInsensitive);
}

void ResourceList::setFilterText(const QString &text)
{
    filter = text.trimmed();
    for (int row = 0; row < count(); ++row)
        table->setRowHidden(row, QModelIndex(), !matchesFilter(row));
}

bool ResourceList::isShownInDropDown(int row) const
{
    return row >= 0 && row < count() && !table->isRowHidden(row, QModelIndex());
}

// Wide enough for every column's text, up to most of the screen.
void ResourceList::showPopup()
{
    int width = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < entries->columnCount(); ++column) {
        table->resizeColumnToContents(column);
        width += table->columnWidth(column);
    }
    const QScreen *shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    const int widest = shownOn ? int(shownOn->availableGeometry().width() * kWidestShare) : width;
    table->setMinimumWidth(std::min(width, widest));
    ElidedComboBox::showPopup();
}

} // namespace kvx
