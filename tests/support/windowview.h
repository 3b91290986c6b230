#pragma once
// The window as a user sees it: its widgets found by their object names, and waits on the work it
// does in the background (intake, the preview thread). Tests read and click these instead of
// reaching into the window's members.

#include "app/conversioncontroller.h"
#include "app/intakecontroller.h"
#include "app/mainwindow.h"
#include "app/previewcontroller.h"
#include "app/readinesspresenter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace kvx {

class PlaybackBar;
class SpinePreviewWidget;

namespace test {

class WindowView {
public:
    explicit WindowView(MainWindow &window) : window(window) {}

    QComboBox *resourceList() const;
    QComboBox *animationList() const;
    QComboBox *skinList() const;
    bool skinListShown() const; // the list with its label
    QLabel *status() const;
    QLabel *badge() const;
    QCheckBox *straightAlpha() const;
    QPushButton *primaryButton() const;
    QPushButton *chooseButton() const; // "选择资源"
    QPushButton *convertAllButton() const;
    QPushButton *stopButton() const;
    SpinePreviewWidget *canvas() const;
    PlaybackBar *playbackBar() const;

    // The badge's text without its leading dot, and the colour it is drawn in.
    QString badgeText() const;
    QString badgeColour() const;
    // The skeleton path of the current entry; empty while nothing is listed.
    QString currentPath() const;
    // The playback bar offers to pause.
    bool showsPlaying() const;

    // Runs the event loop until the preview has answered every request made so far, then lets the
    // queued work after the answers run; false when that took longer than the bound.
    bool waitForPreview(int boundMilliseconds = 10000) const;
    // The same once nothing is being taken in either (MainWindow::whenIntakeSettles).
    bool waitUntilSettled(int boundMilliseconds = 30000) const;

private:
    template <typename Widget>
    Widget *named(const char *objectName) const;
    QPushButton *quietButton(const char *role) const;

    MainWindow &window;
};

} // namespace test
} // namespace kvx
