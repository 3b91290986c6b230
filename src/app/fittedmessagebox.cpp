#include "app/fittedmessagebox.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace kvx {
namespace {

// Shares of the screen's free area a box may take, and the list within it.
constexpr double kWidthShare = 0.8;
constexpr double kHeightShare = 0.8;
constexpr double kListHeightShare = 0.45;
constexpr int kLeastTextWidth = 320; // a sentence reads as one, not as a column of words

QStyle::StandardPixmap iconPixmap(QMessageBox::Icon icon)
{
    switch (icon) {
    case QMessageBox::Critical:
        return QStyle::SP_MessageBoxCritical;
    case QMessageBox::Warning:
        return QStyle::SP_MessageBoxWarning;
    case QMessageBox::Question:
        return QStyle::SP_MessageBoxQuestion;
    default:
        return QStyle::SP_MessageBoxInformation;
    }
}

QRect freeArea(const QWidget *parent)
{
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QLabel *wrappedLabel(const QString &text)
{
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

FittedMessageBox::FittedMessageBox(const WindowMessage &message, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(message.title);
    setModal(true);
    const QRect area = freeArea(parent);
    const int widest = int(area.width() * kWidthShare);

    auto *grid = new QGridLayout(this);
    auto *icon = new QLabel;
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(iconPixmap(message.icon), nullptr, this).pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);
    grid->addWidget(icon, 0, 0, 3, 1);

    int textWidth = kLeastTextWidth;
    auto *text = wrappedLabel(message.text);
    grid->addWidget(text, 0, 1);
    if (!message.explanation.isEmpty()) {
        auto *explanation = wrappedLabel(message.explanation);
        explanation->setObjectName(QStringLiteral("explanation"));
        grid->addWidget(explanation, 1, 1);
    }
    if (!message.list.isEmpty()) {
        listText = new QPlainTextEdit(message.list);
        listText->setObjectName(QStringLiteral("messageList"));
        listText->setReadOnly(true);
        listText->setLineWrapMode(QPlainTextEdit::NoWrap);
        const QFontMetrics metrics(listText->font());
        const QStringList lines = message.list.split(QLatin1Char('\n'));
        int longest = 0;
        for (const QString &line : lines)
            longest = std::max(longest, metrics.horizontalAdvance(line));
        const int chrome = 2 * listText->frameWidth() + 2 * int(listText->document()->documentMargin())
            + listText->verticalScrollBar()->sizeHint().width();
        textWidth = std::max(textWidth, longest + chrome);
        const int fullHeight = int(lines.size()) * metrics.lineSpacing() + chrome;
        listText->setFixedHeight(std::min(fullHeight, int(area.height() * kListHeightShare)));
        grid->addWidget(listText, 2, 1);
    }
    const QMargins margins = grid->contentsMargins();
    textWidth = std::min(textWidth, widest - iconSize - grid->horizontalSpacing() - margins.left() - margins.right());
    for (QLabel *label : findChildren<QLabel *>()) {
        if (label != icon)
            label->setMinimumWidth(textWidth);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    if (!message.actionText.isEmpty()) {
        QPushButton *further = buttons->addButton(message.actionText, QDialogButtonBox::ActionRole);
        further->setProperty("role", QStringLiteral("messageAction"));
        connect(further, &QPushButton::clicked, this, [this, action = message.action] {
            if (action)
                action();
            accept();
        });
    }
    grid->addWidget(buttons, 3, 0, 1, 2);
    setMaximumSize(widest, int(area.height() * kHeightShare));
}

} // namespace kvx
