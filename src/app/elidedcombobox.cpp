#include "app/elidedcombobox.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace kvx {

ElidedComboBox::ElidedComboBox(QWidget *parent) : QComboBox(parent)
{
    // Its width comes from the layout, not from the longest entry.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

QRect ElidedComboBox::textField(const QStyleOptionComboBox &option) const
{
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
}

QString ElidedComboBox::shownText() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return fontMetrics().elidedText(option.currentText, Qt::ElideRight, textField(option).width());
}

void ElidedComboBox::paintEvent(QPaintEvent *)
{
    // As QComboBox paints itself, with the label cut to the field.
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, textField(option).width());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace kvx
