#include "support/windowview.h"

#include "app/playbackbar.h"
#include "app/previewcontroller.h"
#include "app/spinepreviewwidget.h"
#include "support/waits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <memory>

namespace kvx::test {

template <typename Widget>
Widget *WindowView::named(const char *objectName) const
{
    Widget *found = window.findChild<Widget *>(QLatin1String(objectName));
    Q_ASSERT(found);
    return found;
}

QPushButton *WindowView::quietButton(const char *role) const
{
    for (QPushButton *button : window.findChildren<QPushButton *>(QStringLiteral("quietButton"))) {
        if (button->property("role").toString() == QLatin1String(role))
            return button;
    }
    return nullptr;
}

QComboBox *WindowView::resourceList() const { return named<QComboBox>("resourceList"); }
QComboBox *WindowView::animationList() const { return named<QComboBox>("animationList"); }
QComboBox *WindowView::skinList() const { return named<QComboBox>("skinCombo"); }
bool WindowView::skinListShown() const { return !skinList()->parentWidget()->isHidden(); }
QLabel *WindowView::status() const { return named<QLabel>("status"); }
QLabel *WindowView::badge() const { return named<QLabel>("badge"); }
QCheckBox *WindowView::straightAlpha() const { return named<QCheckBox>("straightAlpha"); }
QPushButton *WindowView::primaryButton() const { return named<QPushButton>("primaryButton"); }
QPushButton *WindowView::convertAllButton() const { return quietButton("convertAll"); }
QPushButton *WindowView::stopButton() const { return quietButton("stop"); }
SpinePreviewWidget *WindowView::canvas() const { return named<SpinePreviewWidget>("preview"); }
PlaybackBar *WindowView::playbackBar() const { return window.findChild<PlaybackBar *>(); }

QPushButton *WindowView::chooseButton() const { return quietButton("chooseFiles"); }

QString WindowView::badgeText() const
{
    const QString text = badge()->text();
    return text.startsWith(QStringLiteral("●  ")) ? text.mid(3) : text;
}

QString WindowView::badgeColour() const
{
    const QString sheet = badge()->styleSheet();
    const qsizetype start = sheet.indexOf(QStringLiteral("color: "));
    return start < 0 ? QString() : sheet.mid(start + 7, sheet.indexOf(QLatin1Char(';'), start) - start - 7);
}

QString WindowView::currentPath() const
{
    return resourceList()->currentData(Qt::UserRole).toString();
}

bool WindowView::showsPlaying() const
{
    return playbackBar()->playButton()->text() == QStringLiteral("暂停");
}

bool WindowView::waitForPreview(int boundMilliseconds) const
{
    const bool settled = waitFor([this] { return window.preview().isSettled(); }, boundMilliseconds);
    deliverQueuedWork(); // zero-delay work queued by the answers (the readiness run, say)
    return settled;
}

bool WindowView::waitUntilSettled(int boundMilliseconds) const
{
    const auto settled = std::make_shared<bool>(false);
    window.whenIntakeSettles([settled] { *settled = true; });
    const bool inTime = waitFor([settled] { return *settled; }, boundMilliseconds);
    deliverQueuedWork(); // zero-delay work queued by the answers (the readiness run, say)
    return inTime;
}

} // namespace kvx::test
