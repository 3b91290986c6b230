#include "app/skinlist.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QStyleOptionComboBox>
#include <QStyleOptionViewItem>
#include <QStylePainter>

namespace kvx {

SkinList::SkinList(QWidget *parent) : QComboBox(parent)
{
    skins = new QStandardItemModel(this);
    setModel(skins);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // Installed after the popup's own filter, so a click on a check box is seen first and keeps the
    // popup open.
    view()->viewport()->installEventFilter(this);
    // A pick from the popup, even of the current entry, shows that skin alone.
    const auto picked = [this](int row) {
        if (!updating && row >= 0)
            chooseAlone(row);
    };
    connect(this, &QComboBox::currentIndexChanged, this, picked);
    connect(this, &QComboBox::activated, this, picked);
    connect(skins, &QStandardItemModel::itemChanged, this, &SkinList::ticksChanged);
}

void SkinList::setSkins(const QStringList &names, int current, bool canCombine)
{
    updating = true;
    skins->clear();
    combinable = canCombine;
    QList<QStandardItem *> items;
    items.reserve(names.size());
    for (const QString &name : names) {
        auto *item = new QStandardItem(name);
        item->setEditable(false);
        if (combinable) {
            item->setCheckable(true);
            item->setCheckState(Qt::Unchecked);
        }
        items.append(item);
    }
    if (combinable && current >= 0 && current < items.size())
        items[current]->setCheckState(Qt::Checked);
    skins->invisibleRootItem()->appendRows(items); // tens of thousands of skins go in at once
    setCurrentIndex(current);
    updating = false;
    showChosen();
}

void SkinList::clearSkins()
{
    updating = true;
    skins->clear();
    combinable = false;
    updating = false;
    showChosen();
}

QStringList SkinList::tickedSkins() const
{
    if (!combinable)
        return currentIndex() >= 0 ? QStringList{currentText()} : QStringList();
    QStringList ticked;
    for (int row = 0; row < skins->rowCount(); ++row) {
        if (skins->item(row)->checkState() == Qt::Checked)
            ticked.append(skins->item(row)->text());
    }
    return ticked;
}

void SkinList::setTicked(int row, bool ticked)
{
    if (combinable && row >= 0 && row < skins->rowCount())
        skins->item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

QString SkinList::shownText() const
{
    return chosen.join(QStringLiteral(" + "));
}

void SkinList::chooseAlone(int row)
{
    if (chosen == QStringList{itemText(row)})
        return;
    if (combinable) {
        updating = true;
        for (int other = 0; other < skins->rowCount(); ++other)
            skins->item(other)->setCheckState(other == row ? Qt::Checked : Qt::Unchecked);
        updating = false;
    }
    showChosen();
    emit skinsChosen(chosen);
}

void SkinList::ticksChanged(QStandardItem *item)
{
    if (updating)
        return;
    const QStringList ticked = tickedSkins();
    if (ticked.isEmpty()) {
        updating = true; // something is always shown
        item->setCheckState(Qt::Checked);
        updating = false;
        return;
    }
    if (ticked.size() == 1) {
        updating = true;
        setCurrentIndex(findText(ticked.front()));
        updating = false;
    }
    showChosen();
    emit skinsChosen(chosen);
}

void SkinList::showChosen()
{
    chosen = tickedSkins();
    setToolTip(shownText());
    update();
}

// A click on an entry's check box ticks it without closing the popup.
bool SkinList::eventFilter(QObject *watched, QEvent *event)
{
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (!combinable || watched != view()->viewport() || (!release && event->type() != QEvent::MouseButtonPress))
        return QComboBox::eventFilter(watched, event);
    const QPoint position = static_cast<QMouseEvent *>(event)->position().toPoint();
    const QModelIndex index = view()->indexAt(position);
    if (!index.isValid())
        return QComboBox::eventFilter(watched, event);
    QStyleOptionViewItem option;
    option.initFrom(view());
    option.rect = view()->visualRect(index);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect box = view()->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view());
    // The strip left of the text holds the check box, whatever the style makes of it.
    if (position.x() > std::max(box.right(), option.rect.left() + box.width()) + 4)
        return QComboBox::eventFilter(watched, event);
    if (release)
        setTicked(index.row(), skins->item(index.row())->checkState() != Qt::Checked);
    return true;
}

void SkinList::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(shownText(), Qt::ElideRight, field.width());
    option.currentIcon = QIcon();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace kvx
