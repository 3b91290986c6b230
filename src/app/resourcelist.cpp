#include "app/resourcelist.h"

#include <QDir>
#include <QEvent>
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
// Of the name's cell: the path (the list's data), the format and the data version as listed.
constexpr int kPathRole = Qt::UserRole;
constexpr int kFormatRole = Qt::UserRole + 1;
constexpr int kVersionRole = Qt::UserRole + 2;

QStandardItem *cell(const QString &text = QString())
{
    auto *item = new QStandardItem(text);
    item->setEditable(false);
    return item;
}

} // namespace

ResourceList::ResourceList(QWidget *parent) : ElidedComboBox(parent)
{
    entries = new QStandardItemModel(0, 4, this);
    setModel(entries);
    table = new QTreeView;
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setAllColumnsShowFocus(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table->header()->setStretchLastSection(true);
    setView(table);
    // The closed list shows the current entry's own tip.
    connect(this, &QComboBox::currentIndexChanged, this,
            [this] { setToolTip(currentData(Qt::ToolTipRole).toString()); });
    retranslate();
}

void ResourceList::addEntry(const QString &path, const QString &folder, SkeletonFormat format, const QString &version)
{
    const int row = count();
    QStandardItem *name = cell(QFileInfo(path).completeBaseName());
    name->setData(path, kPathRole);
    name->setData(static_cast<int>(format), kFormatRole);
    name->setData(version, kVersionRole);
    entries->appendRow({name, cell(folder), cell(), cell()});
    wordEntry(row);
    table->setRowHidden(row, QModelIndex(), !matchesFilter(row));
    setToolTip(currentData(Qt::ToolTipRole).toString());
}

void ResourceList::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    ElidedComboBox::changeEvent(event);
}

void ResourceList::retranslate()
{
    entries->setHorizontalHeaderLabels({tr("名称"), tr("文件夹"), tr("数据版本"), tr("状态")});
    for (int row = 0; row < count(); ++row)
        wordEntry(row);
    setToolTip(currentData(Qt::ToolTipRole).toString());
}

// The version column and the tool tip of every column (the readiness column is ListReadiness's).
void ResourceList::wordEntry(int row)
{
    const QStandardItem *name = entries->item(row, Name);
    const QString path = name->data(kPathRole).toString();
    const QString listedVersion = name->data(kVersionRole).toString();
    const QString version = listedVersion.isEmpty() ? tr("未知") : listedVersion;
    QString format = tr("未知");
    switch (static_cast<SkeletonFormat>(name->data(kFormatRole).toInt())) {
    case SkeletonFormat::Json:
        format = QStringLiteral("JSON");
        break;
    case SkeletonFormat::Binary:
        format = tr("二进制");
        break;
    case SkeletonFormat::Unknown:
        break;
    }
    const QString toolTip = tr("%1\n格式：%2\n数据版本：%3")
                                .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), format, version);
    entries->item(row, Version)->setText(version);
    for (int column = 0; column < entries->columnCount(); ++column)
        entries->item(row, column)->setToolTip(toolTip);
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
    return itemData(row, kPathRole).toString();
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
