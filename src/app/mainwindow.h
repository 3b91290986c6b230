#pragma once
// The program's only window: it builds the widgets and wires them to the controllers that do the
// work (intake, readiness, preview, conversion, exports), and shows what they report. Every text it
// shows is worded again when the language changes (QEvent::LanguageChange): its fixed texts in
// retranslate(), what the controllers reported as the LiveTexts they handed over.

#include "app/badgetable.h"
#include "app/windowdialogs.h"
#include "assets/qt/exportreading.h"
#include "assets/qt/intake.h"
#include "common/qt/livetext.h"

#include <QMainWindow>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace kvx {

class ConversionController;
class ExportController;
struct ExportSubject;
class IntakeController;
class ListReadiness;
class PlaybackBar;
class PreviewController;
class ReadinessPresenter;
class ResourceList;
class SkinList;
class SpinePreviewWidget;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Takes one path in at once, preview request and all, before returning (the readiness check and
    // the warnings follow as queued work). Waits its turn behind a background batch.
    void addResourcePath(const QString &path);
    // Takes a batch in with the walk and detection off the GUI thread (drops, the file dialog,
    // the command line).
    void takeInResources(const QStringList &paths);
    // True from a batch's start until it is listed and its readiness run is done.
    bool isTakingIn() const;
    // Runs the action once nothing is being taken in and the preview has answered every request.
    void whenIntakeSettles(std::function<void()> action);

    // Replaces the dialogs (tests answer them instead of a user).
    void setDialogs(WindowDialogs dialogs);

    // Automation: starts converting the current resource into the folder, as a click with that
    // folder chosen would; false (and nothing started) while the resource is not ready for it.
    bool convertInto(const QString &outputParent);

    // The parts the window is composed of, for automation and tests.
    IntakeController &intake() const { return *intakeController; }
    ReadinessPresenter &readiness() const { return *readinessPresenter; }
    PreviewController &preview() const { return *previewController; }
    ConversionController &conversion() const { return *conversionController; }
    ExportController &exports() const { return *exportController; }
    // The listed skeletons, in list order.
    QStringList listedPaths() const;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The texts the window words itself, in the language in use.
    void retranslate();
    void showConvertAllButton();
    void showLanguage();
    void chooseLanguage(int index);
    void buildWidgets();
    QLayout *buildHeader();
    QLayout *buildListRow();
    QLayout *buildChoiceRow();
    QLayout *buildStatusRow();
    QLayout *buildActionRow();
    void fitToScreen();
    void createControllers();
    void connectIntake();
    void connectReadiness();
    void connectConversion();
    void connectExports();
    void connectPlaybackBar();
    void installShortcuts();
    void restoreViewSettings();

    void chooseResources();
    void chooseResourceFolder();
    void list(const IntakeOutcome &outcome);
    void currentChanged(int index);
    void showCurrent();
    QString currentPath() const;
    void showStatus(const LiveText &text, const LiveText &toolTip);
    void showStatusText(const LiveText &text); // the tool tip stays
    void showStatusToolTip(const LiveText &toolTip);
    void showBadge(BadgeState state, const QString &argument = QString());
    void showBadgeToolTip(const LiveText &toolTip);
    // The one place the button is set; it stays disabled during a conversion or an export.
    void setPrimaryButton(const LiveText &text, bool enabled);
    // Starting a conversion or an export needs something listed and nothing of either running.
    void updateActionButtons();
    ExportSubject exportSubject() const;
    void exportCurrentFrame();
    void exportProgressed(qint64 done, qint64 total, const LiveText &status);
    void exportEnded(const LiveText &status, const LiveText &toolTip);
    void convertAllClicked();
    void conversionStarted(int mode, const QString &editorVersion);
    void conversionEnded(const LiveText &status, const LiveText &toolTip);

    QComboBox *languageCombo = nullptr;
    QPushButton *chooseButton = nullptr;
    QPushButton *folderButton = nullptr;
    QLabel *animationLabel = nullptr;
    QLabel *skinLabel = nullptr;
    QLabel *alphaLabel = nullptr;
    ResourceList *resourceCombo = nullptr;
    QLineEdit *resourceFilter = nullptr;
    QComboBox *animationCombo = nullptr;
    QWidget *skinChoice = nullptr;
    SkinList *skinCombo = nullptr;
    QComboBox *alphaCombo = nullptr;
    QCheckBox *straightAlphaCheckBox = nullptr;
    SpinePreviewWidget *previewWidget = nullptr;
    PlaybackBar *playbackBar = nullptr;
    QLabel *statusLabel = nullptr;
    QProgressBar *batchProgress = nullptr; // shown only while "全部转换" runs
    QLabel *badgeLabel = nullptr;
    QPushButton *primaryButton = nullptr;
    QPushButton *convertAllButton = nullptr;
    QPushButton *stopButton = nullptr; // shown only while a single conversion runs
    QPushButton *exportAnimationsButton = nullptr;
    QPushButton *exportFrameButton = nullptr;
    QPushButton *exportImagesButton = nullptr;
    QProgressBar *exportProgress = nullptr;  // shown only while an export runs
    QPushButton *cancelExportButton = nullptr; // likewise
    // What readiness last asked of the primary button, shown again once an export is over.
    LiveText primaryText;
    bool primaryWanted = false;
    // What the badge, the status line and their tool tips show, to be worded again.
    std::optional<std::pair<BadgeState, QString>> shownBadge;
    LiveText badgeToolTip;
    LiveText statusText;
    LiveText statusToolTip;

    WindowDialogs dialogs;
    ExportCatalog catalog; // every listed export, read again only where its files changed
    QSet<QString> listed;
    IntakeController *intakeController = nullptr;
    ReadinessPresenter *readinessPresenter = nullptr;
    PreviewController *previewController = nullptr;
    ConversionController *conversionController = nullptr;
    ExportController *exportController = nullptr;
    ListReadiness *listReadiness = nullptr;
    // While a batch is open a new current entry only marks the preview for loading once at its end.
    bool previewDeferred = false;
    LiveText statusBeforeScan;
};

// The window's style sheet.
QString mainWindowStyleSheet();

} // namespace kvx
