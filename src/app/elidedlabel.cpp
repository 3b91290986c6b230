#include "app/elidedlabel.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace kvx {

ElidedLabel::ElidedLabel(QWidget *parent) : QLabel(parent)
{
    setWordWrap(false);
}

QSize ElidedLabel::minimumSizeHint() const
{
    // Room for the ellipsis and the frame; the rest of the text may be cut.
    const QSize full = QLabel::minimumSizeHint();
    const QMargins margins = contentsMargins();
    const int least = fontMetrics().horizontalAdvance(QStringLiteral("…")) + margins.left() + margins.right()
        + 2 * margin();
    return QSize(std::min(full.width(), least), full.height());
}

QRect ElidedLabel::textArea() const
{
    return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, textArea().width());
}

QString ElidedLabel::hoverText() const
{
    if (!isElided())
        return toolTip();
    if (toolTip().isEmpty() || toolTip() == text())
        return text();
    return text() + QLatin1Char('\n') + toolTip();
}

bool ElidedLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const QString tip = hoverText();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), tip, this);
        return true;
    }
    return QLabel::event(event);
}

void ElidedLabel::paintEvent(QPaintEvent *event)
{
    if (!isElided()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, textArea(), QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), shownText(), foregroundRole());
}

} // namespace kvx
