// The window: widgets, their layout and style, and the wiring between them and the controllers.

#include "app/mainwindow.h"

#include "app/conversioncontroller.h"
#include "app/elidedcombobox.h"
#include "app/elidedlabel.h"
#include "app/exportcontroller.h"
#include "app/intakecontroller.h"
#include "app/listreadiness.h"
#include "app/playbackbar.h"
#include "app/previewcontroller.h"
#include "app/readinesspresenter.h"
#include "app/resourcelist.h"
#include "app/skinlist.h"
#include "app/spinepreviewwidget.h"
#include "app/viewsettings.h"
#include "common/qt/pathtext.h"
#include "common/qt/uilanguage.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSizePolicy>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace kvx {

namespace {

constexpr int kSettledCheckMilliseconds = 10;

const char *const styleRules[] = {
    "QMainWindow, QWidget { background: #17191e; color: #f3f4f6; font-size: 14px; }",
    "QLabel#title { font-size: 22px; font-weight: 650; }",
    "QLabel#preview { background: #101217; border: 2px dashed #343944; border-radius: 14px; color: #a7adb8; }",
    "QLabel#status { color: #9299a5; padding-left: 8px; }",
    "QComboBox { background: #242832; border: 1px solid #3a404c; border-radius: 8px; padding: 8px 12px; }",
    "QPushButton { border-radius: 8px; padding: 9px 16px; }",
    "QPushButton#quietButton { background: #292d36; border: 1px solid #3d4350; }",
    "QPushButton#primaryButton { background: #6e5eea; border: none; font-weight: 650; padding: 11px 20px; }",
    "QPushButton#primaryButton:disabled { background: #343743; color: #777d89; }",
    "QPushButton#quietButton:disabled { background: #1d2026; border: 1px solid #2b2f38; color: #5f6571; }",
    "QComboBox:disabled { background: #1d2026; border: 1px solid #2b2f38; color: #5f6571; }",
    "QLineEdit { background: #242832; border: 1px solid #3a404c; border-radius: 8px; padding: 7px 10px; }",
    "QCheckBox { spacing: 8px; color: #c9ced8; }",
    "QCheckBox:disabled { color: #5f6571; }",
    "QCheckBox::indicator { width: 18px; height: 18px; }",
    "QProgressBar { background: #242832; border: 1px solid #3a404c; border-radius: 6px; color: #f3f4f6;"
    " text-align: center; }",
    "QProgressBar::chunk { background: #6e5eea; border-radius: 5px; }",
};

// Each language by its own name, the same in every language.
QString languageName(UiLanguage language)
{
    return language == UiLanguage::English ? QStringLiteral("English") : QStringLiteral("中文");
}

} // namespace

QString mainWindowStyleSheet()
{
    QString sheet = QStringLiteral("\n");
    for (const char *rule : styleRules)
        sheet += QStringLiteral("        ") + QLatin1String(rule) + QLatin1Char('\n');
    return sheet + QStringLiteral("    ");
}

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), dialogs(WindowDialogs::platformDialogs())
{
    buildWidgets();
    createControllers();
    setAcceptDrops(true);
    setWindowTitle(QStringLiteral("Kovexa"));
    resize(960, 680);
    restoreViewSettings();
    retranslate();
    fitToScreen();
}

MainWindow::~MainWindow()
{
    // The scan, the exports and the preview thread end before the widgets they report to.
    delete exportController;
    delete conversionController;
    delete previewController;
    delete intakeController;
}

// Seven rows, none of them wide: the window fits a 1280 × 720 screen, and 800 × 500 logical pixels
// (1600 × 1000 at twice the scale), with every control on it and the status line a row of its own.
void MainWindow::buildWidgets()
{
    auto *central = new QWidget;
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(20, 14, 20, 14);
    column->setSpacing(10);
    column->addLayout(buildHeader());
    column->addLayout(buildListRow());
    previewWidget = new SpinePreviewWidget;
    previewWidget->setObjectName(QStringLiteral("preview"));
    column->addWidget(previewWidget, 1);
    playbackBar = new PlaybackBar;
    column->addWidget(playbackBar);
    column->addLayout(buildChoiceRow());
    column->addLayout(buildStatusRow());
    column->addLayout(buildActionRow());

    setCentralWidget(central);
    setStyleSheet(mainWindowStyleSheet());
    previewWidget->resetView();
    previewWidget->setMessage(
        [] { return tr("把 .json / .skel / .skel.bytes、.atlas / .atlas.txt 和图片拖到这里\n\n也可以拖入整个资源文件夹"); });
    statusLabel->clear();
    // A long file or animation name is cut inside its list instead of widening the window; the
    // closed list of skeletons shows the current entry's own tip: its full path, format and data version.
    connect(animationCombo, &QComboBox::currentTextChanged, animationCombo, &QWidget::setToolTip);
}

QLayout *MainWindow::buildHeader()
{
    auto *row = new QHBoxLayout;
    auto *title = new QLabel(QStringLiteral("Kovexa"));
    title->setObjectName(QStringLiteral("title"));
    badgeLabel = new ElidedLabel; // a long page name is cut, not widening the window
    badgeLabel->setObjectName(QStringLiteral("badge"));
    badgeLabel->setAlignment(Qt::AlignCenter);
    badgeLabel->setMinimumWidth(140);
    badgeLabel->hide();
    languageCombo = new QComboBox;
    languageCombo->setObjectName(QStringLiteral("language"));
    for (const UiLanguage language : uiLanguages())
        languageCombo->addItem(languageName(language), uiLanguageCode(language));
    chooseButton = new QPushButton;
    chooseButton->setObjectName(QStringLiteral("quietButton"));
    chooseButton->setProperty("role", QStringLiteral("chooseFiles"));
    folderButton = new QPushButton;
    folderButton->setObjectName(QStringLiteral("quietButton"));
    folderButton->setProperty("role", QStringLiteral("chooseFolder"));
    row->addWidget(title);
    row->addWidget(badgeLabel);
    row->addStretch(1);
    row->addWidget(languageCombo);
    row->addWidget(chooseButton);
    row->addWidget(folderButton);
    showLanguage();
    connect(languageCombo, &QComboBox::currentIndexChanged, this, &MainWindow::chooseLanguage);
    connect(chooseButton, &QPushButton::clicked, this, &MainWindow::chooseResources);
    connect(folderButton, &QPushButton::clicked, this, &MainWindow::chooseResourceFolder);
    return row;
}

QLayout *MainWindow::buildListRow()
{
    auto *row = new QHBoxLayout;
    resourceCombo = new ResourceList;
    resourceCombo->setObjectName(QStringLiteral("resourceList"));
    resourceCombo->setMinimumWidth(160);
    resourceCombo->hide();
    resourceFilter = new QLineEdit;
    resourceFilter->setObjectName(QStringLiteral("resourceFilter"));
    resourceFilter->setClearButtonEnabled(true);
    resourceFilter->setMaximumWidth(240);
    resourceFilter->hide();
    row->addWidget(resourceCombo, 1);
    row->addWidget(resourceFilter);
    connect(resourceFilter, &QLineEdit::textChanged, resourceCombo, &ResourceList::setFilterText);
    connect(resourceFilter, &QLineEdit::returnPressed, resourceCombo, &ResourceList::showPopup);
    return row;
}

QLayout *MainWindow::buildChoiceRow()
{
    auto *row = new QHBoxLayout;
    animationCombo = new ElidedComboBox;
    animationCombo->setObjectName(QStringLiteral("animationList"));
    animationCombo->setMinimumWidth(120);
    animationCombo->setEnabled(false);
    skinChoice = new QWidget;
    auto *skinRow = new QHBoxLayout(skinChoice);
    skinRow->setContentsMargins(0, 0, 0, 0);
    skinCombo = new SkinList;
    skinCombo->setObjectName(QStringLiteral("skinCombo"));
    skinCombo->setMinimumWidth(120);
    skinLabel = new QLabel;
    skinRow->addWidget(skinLabel);
    skinRow->addWidget(skinCombo, 1);
    skinChoice->hide();
    alphaCombo = new QComboBox;
    alphaCombo->setObjectName(QStringLiteral("previewAlpha"));
    alphaCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents); // "自动（…）" names what the atlas decided
    animationLabel = new QLabel;
    alphaLabel = new QLabel;
    row->addWidget(animationLabel);
    row->addWidget(animationCombo, 2);
    row->addWidget(skinChoice, 2);
    row->addWidget(alphaLabel);
    row->addWidget(alphaCombo);
    return row;
}

QLayout *MainWindow::buildStatusRow()
{
    auto *row = new QHBoxLayout;
    statusLabel = new ElidedLabel;
    statusLabel->setObjectName(QStringLiteral("status"));
    // A long diagnostic (a loader message, say) is cut at the row's end instead of widening the
    // window past the screen; the row is its own, so the lists never squeeze it away.
    statusLabel->setSizePolicy(QSizePolicy::Ignored, statusLabel->sizePolicy().verticalPolicy());
    batchProgress = new QProgressBar;
    batchProgress->setObjectName(QStringLiteral("batchProgress"));
    batchProgress->setTextVisible(false); // the status line beside it counts the skeletons
    batchProgress->setMaximumWidth(200);
    batchProgress->hide();
    exportProgress = new QProgressBar;
    exportProgress->setObjectName(QStringLiteral("exportProgress"));
    exportProgress->setTextVisible(false); // the status line beside it says what is being exported
    exportProgress->setMaximumWidth(200);
    exportProgress->hide();
    row->addWidget(statusLabel, 1);
    row->addWidget(batchProgress);
    row->addWidget(exportProgress);
    return row;
}

QLayout *MainWindow::buildActionRow()
{
    auto *row = new QHBoxLayout;
    straightAlphaCheckBox = new QCheckBox;
    straightAlphaCheckBox->setObjectName(QStringLiteral("straightAlpha"));
    const auto quietButton = [](const char *role) {
        auto *button = new QPushButton;
        button->setObjectName(QStringLiteral("quietButton"));
        button->setProperty("role", QLatin1String(role));
        return button;
    };
    convertAllButton = quietButton("convertAll");
    convertAllButton->setEnabled(false); // until something is listed
    stopButton = quietButton("stop");
    stopButton->hide();
    primaryText = [] { return BadgeTable::convertButtonText(); };
    primaryButton = new QPushButton;
    primaryButton->setObjectName(QStringLiteral("primaryButton"));
    primaryButton->setEnabled(false);
    exportImagesButton = quietButton("exportImages");
    exportFrameButton = quietButton("exportFrame");
    exportAnimationsButton = quietButton("exportAnimations");
    for (QPushButton *button : {exportImagesButton, exportFrameButton, exportAnimationsButton})
        button->setEnabled(false); // until something is listed
    // In the place of the export buttons while an export runs: the status row keeps its height (and
    // the canvas its size), the row its width.
    cancelExportButton = quietButton("cancelExport");
    cancelExportButton->hide();
    row->addWidget(straightAlphaCheckBox);
    row->addStretch(1);
    row->addWidget(cancelExportButton);
    row->addWidget(exportImagesButton);
    row->addWidget(exportFrameButton);
    row->addWidget(exportAnimationsButton);
    row->addWidget(convertAllButton);
    row->addWidget(stopButton);
    row->addWidget(primaryButton);
    return row;
}

// The built-in size, or the one remembered, as far as the screen's free area allows, frame and all
// inside it. The frame is known only once the window is shown, so this runs then again.
void MainWindow::fitToScreen()
{
    const QScreen *shownOn = screen();
    if (!shownOn)
        return;
    const QRect free = shownOn->availableGeometry();
    const QSize room = free.size() - (frameGeometry().size() - geometry().size());
    if (width() > room.width() || height() > room.height())
        resize(size().boundedTo(room).expandedTo(minimumSizeHint()));
    const QRect placed = frameGeometry();
    if (free.contains(placed))
        return;
    const auto within = [](int at, int low, int extent, int freeExtent) {
        return std::clamp(at, low, std::max(low, low + freeExtent - extent));
    };
    move(within(placed.x(), free.x(), placed.width(), free.width()),
         within(placed.y(), free.y(), placed.height(), free.height()));
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        fitToScreen();
}

void MainWindow::createControllers()
{
    intakeController = new IntakeController(dialogs, this);
    readinessPresenter = new ReadinessPresenter(catalog, [this] { return currentPath(); }, dialogs, this);
    previewController = new PreviewController(
        PreviewWidgets{previewWidget, playbackBar, animationCombo, skinCombo, skinChoice, alphaCombo}, this);
    conversionController = new ConversionController(catalog, *readinessPresenter, dialogs, this);
    exportController = new ExportController(catalog, dialogs, this);
    listReadiness = new ListReadiness(catalog, *resourceCombo, this);
    connectIntake();
    connectReadiness();
    connectConversion();
    connectExports();
    connectPlaybackBar();
    installShortcuts();
    connect(previewController, &PreviewController::statusChanged, this, &MainWindow::showStatus);
    connect(previewController, &PreviewController::statusToolTipChanged, this, &MainWindow::showStatusToolTip);
    // Connected only now that every part exists, so building the window runs no slot.
    connect(resourceCombo, &QComboBox::currentIndexChanged, this, &MainWindow::currentChanged);
}

void MainWindow::connectIntake()
{
    connect(intakeController, &IntakeController::listed, this, &MainWindow::list);
    connect(intakeController, &IntakeController::progress, this, [this](int examined, int total) {
        if (total == 0 && examined == 0) {
            statusBeforeScan = statusText;
            showStatusText([] { return tr("正在扫描…"); });
        } else if (intakeController->isBatchOpen()) {
            showStatusText([examined, total] { return tr("正在扫描… %1 / %2").arg(examined).arg(total); });
        }
    });
    connect(intakeController, &IntakeController::batchOpened, this, [this] { previewDeferred = false; });
    connect(intakeController, &IntakeController::batchClosed, this, [this] {
        if (statusLabel->text().startsWith(tr("正在扫描…")) && !previewDeferred)
            showStatusText(statusBeforeScan); // no new current entry: the preview's own text stays
        if (std::exchange(previewDeferred, false))
            showCurrent();
        readinessPresenter->schedule();
        listReadiness->refresh();
    });
}

void MainWindow::connectReadiness()
{
    connect(readinessPresenter, &ReadinessPresenter::badgeChanged, this, &MainWindow::showBadge);
    connect(readinessPresenter, &ReadinessPresenter::badgeToolTipChanged, this, &MainWindow::showBadgeToolTip);
    connect(readinessPresenter, &ReadinessPresenter::statusChanged, this, &MainWindow::showStatus);
    // A run looks at the editor and the files afresh: so does the list.
    connect(readinessPresenter, &ReadinessPresenter::badgeChanged, listReadiness, &ListReadiness::refresh);
}

void MainWindow::connectConversion()
{
    connect(primaryButton, &QPushButton::clicked, this,
            [this] { conversionController->convert(currentPath(), straightAlphaCheckBox->isChecked()); });
    connect(convertAllButton, &QPushButton::clicked, this, &MainWindow::convertAllClicked);
    connect(stopButton, &QPushButton::clicked, conversionController, &ConversionController::stop);
    connect(conversionController, &ConversionController::started, this,
            [this](ConversionController::Mode mode, const QString &version) {
                conversionStarted(static_cast<int>(mode), version);
            });
    connect(conversionController, &ConversionController::progress, this, &MainWindow::showStatusText);
    connect(conversionController, &ConversionController::batchProgress, this, [this](int index, int total) {
        batchProgress->setRange(0, total);
        batchProgress->setValue(index);
        batchProgress->show();
    });
    connect(conversionController, &ConversionController::ended, this, &MainWindow::conversionEnded);
}

void MainWindow::connectExports()
{
    connect(exportAnimationsButton, &QPushButton::clicked, this,
            [this] { exportController->exportAnimations(exportSubject()); });
    connect(exportFrameButton, &QPushButton::clicked, this, &MainWindow::exportCurrentFrame);
    connect(exportImagesButton, &QPushButton::clicked, this,
            [this] { exportController->exportImages(currentPath(), straightAlphaCheckBox->isChecked()); });
    connect(cancelExportButton, &QPushButton::clicked, exportController, &ExportController::cancel);
    connect(exportController, &ExportController::started, this, [this] {
        exportProgress->setRange(0, 0);
        exportProgress->show();
        for (QPushButton *button : {exportAnimationsButton, exportFrameButton, exportImagesButton})
            button->hide();
        cancelExportButton->show();
        updateActionButtons();
        primaryButton->setEnabled(false);
    });
    connect(exportController, &ExportController::progress, this, &MainWindow::exportProgressed);
    connect(exportController, &ExportController::ended, this, &MainWindow::exportEnded);
}

void MainWindow::connectPlaybackBar()
{
    connect(playbackBar, &PlaybackBar::speedChanged, this, [](float speed) { storeViewSpeed(speed); });
    connect(playbackBar, &PlaybackBar::loopChanged, this, [](bool loop) { storeViewLoop(loop); });
    connect(playbackBar, &PlaybackBar::backgroundChanged, this, [this](PreviewBackground background) {
        previewWidget->setBackground(background);
        storeViewBackground(background);
    });
}

void MainWindow::installShortcuts()
{
    // Window-wide shortcuts see a key before the focused widget does, so Space never presses the
    // focused button or ticks the focused check box.
    const auto bind = [this](const QKeySequence &keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    bind(QKeySequence(Qt::Key_Space), [this] { previewController->togglePlayback(); });
    bind(QKeySequence(Qt::Key_Left), [this] { previewController->stepFrame(-1); });
    bind(QKeySequence(Qt::Key_Right), [this] { previewController->stepFrame(1); });
    // An open drop-down (the list of skeletons, say) is a window of its own that takes every key, so
    // a shortcut of this window alone went nowhere while one was open: the keys that choose
    // resources are bound in every drop-down's window too, and close it before the dialog opens.
    const auto choosing = [this, &bind](const QKeySequence &keys, auto choose) {
        bind(keys, choose);
        for (QComboBox *list : findChildren<QComboBox *>()) {
            QWidget *dropDown = list->view()->window();
            connect(new QShortcut(keys, dropDown), &QShortcut::activated, this, [list, choose] {
                list->hidePopup();
                choose();
            });
        }
    };
    choosing(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { chooseResources(); });
    choosing(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), [this] { chooseResourceFolder(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { previewWidget->zoomAboutCentre(1); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { previewWidget->zoomAboutCentre(1); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { previewWidget->zoomAboutCentre(-1); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { previewWidget->resetZoomAndPan(); });
    previewWidget->setToolTipHints([] {
        return tr("空格 播放/暂停 · ←/→ 暂停时逐帧 · Ctrl+O 选择资源 · Ctrl+= / Ctrl+- 缩放 · "
                  "Ctrl+0 重置视图")
            + QLatin1Char('\n') + tr("Ctrl+Shift+O 选择资源文件夹");
    });
}

void MainWindow::restoreViewSettings()
{
    const ViewSettings view = readViewSettings();
    previewController->restoreView(view.speed, view.loop);
    playbackBar->setBackground(view.background);
    previewWidget->setBackground(view.background);
    if (!view.windowGeometry.isEmpty())
        restoreGeometry(view.windowGeometry);
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QMainWindow::changeEvent(event);
}

// The controllers and the widgets with texts of their own (the canvas, the playback bar, the list)
// word theirs on the same event.
void MainWindow::retranslate()
{
    showLanguage();
    languageCombo->setToolTip(tr("界面语言"));
    chooseButton->setText(tr("选择资源"));
    chooseButton->setToolTip(tr("选择骨骼、图集或图片文件（Ctrl+O）"));
    folderButton->setText(tr("选择文件夹…"));
    folderButton->setToolTip(tr("选择整个资源文件夹，连同其中的子文件夹（Ctrl+Shift+O）"));
    resourceFilter->setPlaceholderText(tr("筛选列表…"));
    resourceFilter->setToolTip(tr("只在下拉列表中显示名称或文件夹含有这段文字的骨骼；回车打开列表"));
    animationLabel->setText(tr("动画"));
    skinLabel->setText(tr("皮肤"));
    alphaLabel->setText(tr("预览 Alpha"));
    straightAlphaCheckBox->setText(tr("去除预乘 Alpha"));
    straightAlphaCheckBox->setToolTip(tr("由 Spine 官方纹理解包器转换为普通透明图片"));
    showConvertAllButton();
    convertAllButton->setToolTip(tr("把列表中所有可转换的骨骼依次转换到同一个文件夹"));
    stopButton->setText(tr("停止转换"));
    exportImagesButton->setText(tr("导出图片…"));
    exportImagesButton->setToolTip(
        tr("把当前骨骼图集中的每个区域导出为单独的 PNG 图片；勾选“去除预乘 Alpha”时导出为普通透明图片"));
    exportFrameButton->setText(tr("导出当前帧"));
    exportFrameButton->setToolTip(tr("把滑块所在时刻的画面按预览的取景导出为透明背景的 PNG"));
    exportAnimationsButton->setText(tr("导出动画…"));
    exportAnimationsButton->setToolTip(tr("把动画导出为 PNG 序列、GIF、APNG、WebP、WebM、MOV 或 MP4"));
    cancelExportButton->setText(tr("取消"));
    cancelExportButton->setToolTip(tr("停止导出；未完成的文件不会留下"));
    primaryButton->setText(conversionController->isRunning() ? BadgeTable::convertingButtonText() : primaryText.text());
    if (shownBadge)
        badgeLabel->setText(QStringLiteral("●  ") + BadgeTable::look(shownBadge->first, shownBadge->second).text);
    badgeLabel->setToolTip(badgeToolTip.text());
    statusLabel->setText(statusText.text());
    statusLabel->setToolTip(statusToolTip.text());
}

// While "全部转换" runs, its button stops it.
void MainWindow::showConvertAllButton()
{
    const bool convertingAll =
        conversionController->isRunning() && conversionController->runningMode() == ConversionController::Mode::All;
    convertAllButton->setText(convertingAll ? tr("停止全部转换") : tr("全部转换"));
}

void MainWindow::showLanguage()
{
    const QSignalBlocker quiet(languageCombo);
    languageCombo->setCurrentIndex(languageCombo->findData(uiLanguageCode(currentUiLanguage())));
}

// The choice is remembered for the next start and applies at once: installing the language's
// catalogues sends every window QEvent::LanguageChange.
void MainWindow::chooseLanguage(int index)
{
    const std::optional<UiLanguage> language = uiLanguageWithCode(languageCombo->itemData(index).toString());
    if (!language)
        return;
    storeLanguage(*language);
    if (*language != currentUiLanguage())
        useUiLanguage(*language);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    storeWindowGeometry(saveGeometry());
    QMainWindow::closeEvent(event);
}

void MainWindow::chooseResources()
{
    takeInResources(dialogs.chooseResourceFiles(this));
}

void MainWindow::chooseResourceFolder()
{
    const QString folder = dialogs.chooseResourceFolder(this);
    if (!folder.isEmpty())
        takeInResources({folder});
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    QStringList paths;
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    takeInResources(paths);
    event->acceptProposedAction();
}

void MainWindow::addResourcePath(const QString &path)
{
    intakeController->takeInNow(path);
}

void MainWindow::takeInResources(const QStringList &paths)
{
    intakeController->takeIn(paths);
}

bool MainWindow::isTakingIn() const
{
    return intakeController->isTakingIn();
}

void MainWindow::whenIntakeSettles(std::function<void()> action)
{
    intakeController->whenSettles([this, action = std::move(action)] {
        if (previewController->isSettled()) {
            action();
            return;
        }
        // The preview answers on its own thread: wait for it, without holding the window.
        auto *check = new QTimer(this);
        check->setInterval(kSettledCheckMilliseconds);
        connect(check, &QTimer::timeout, this, [this, check, action] {
            if (!previewController->isSettled())
                return;
            check->stop();
            check->deleteLater();
            action();
        });
        check->start();
    });
}

void MainWindow::setDialogs(WindowDialogs replacement)
{
    // A seam left empty answers like a cancelled dialog, so a test never opens a real one.
    if (!replacement.chooseResourceFiles)
        replacement.chooseResourceFiles = [](QWidget *) { return QStringList(); };
    if (!replacement.chooseResourceFolder)
        replacement.chooseResourceFolder = [](QWidget *) { return QString(); };
    if (!replacement.openFolder)
        replacement.openFolder = [](const QString &) {};
    if (!replacement.chooseEditorFile)
        replacement.chooseEditorFile = [](QWidget *) { return QString(); };
    if (!replacement.chooseOutputFolder)
        replacement.chooseOutputFolder = [](QWidget *, const QString &) { return QString(); };
    if (!replacement.chooseAnimationExport)
        replacement.chooseAnimationExport = [](QWidget *, const AnimationExportOffer &) {
            return std::optional<AnimationExportChoice>();
        };
    if (!replacement.showMessage)
        replacement.showMessage = [](QWidget *, QMessageBox::Icon, const QString &, const QString &) {};
    dialogs = std::move(replacement);
}

bool MainWindow::convertInto(const QString &outputParent)
{
    if (conversionController->isRunning() || readinessPresenter->editorVersion().isEmpty()
        || !primaryButton->isEnabled())
        return false;
    return conversionController->convert(currentPath(), straightAlphaCheckBox->isChecked(), outputParent);
}

QStringList MainWindow::listedPaths() const
{
    QStringList paths;
    for (int i = 0; i < resourceCombo->count(); ++i)
        paths.append(resourceCombo->itemData(i, Qt::UserRole).toString());
    return paths;
}

void MainWindow::list(const IntakeOutcome &outcome)
{
    const QString path = toQString(outcome.record.skeleton);
    if (listed.contains(path))
        return;
    listed.insert(path);
    catalog.remember(outcome.record);
    const int index = resourceCombo->count();
    const std::optional<SpineVersion> &version = outcome.record.detection.version;
    resourceCombo->addEntry(path, folderWithinRoot(outcome), outcome.record.detection.format,
                            version ? QString::fromStdString(version->fullText()) : QString());
    resourceCombo->show();
    resourceFilter->show();
    updateActionButtons();
    // The first entry became current on insertion already; every later one becomes current here.
    resourceCombo->setCurrentIndex(index);
}

void MainWindow::currentChanged(int index)
{
    if (index < 0)
        return;
    if (intakeController->isBatchOpen()) {
        // The batch loads the entry current at its end; until then nothing may act on the old one.
        previewDeferred = true;
        setPrimaryButton(primaryText, false);
        readinessPresenter->forget();
        return;
    }
    showCurrent();
    readinessPresenter->schedule();
}

void MainWindow::showCurrent()
{
    setPrimaryButton(primaryText, false); // the readiness run enables it again when it may
    previewController->load(catalog.current(currentPath()));
}

QString MainWindow::currentPath() const
{
    return resourceCombo->currentData(Qt::UserRole).toString();
}

void MainWindow::showStatus(const LiveText &text, const LiveText &toolTip)
{
    statusText = text;
    statusToolTip = toolTip;
    statusLabel->setText(text.text());
    statusLabel->setToolTip(toolTip.text());
}

void MainWindow::showStatusText(const LiveText &text)
{
    statusText = text;
    statusLabel->setText(text.text());
}

void MainWindow::showStatusToolTip(const LiveText &toolTip)
{
    statusToolTip = toolTip;
    statusLabel->setToolTip(toolTip.text());
}

void MainWindow::showBadge(BadgeState state, const QString &argument)
{
    const BadgeLook look = BadgeTable::look(state, argument);
    shownBadge = {state, argument};
    badgeLabel->setText(QStringLiteral("●  ") + look.text);
    badgeLabel->setStyleSheet(QStringLiteral("QLabel { color: %1; background: #20242c; border: 1px solid #343a46; "
                                             "border-radius: 8px; padding: 7px 12px; font-weight: 600; }")
                                  .arg(look.colour));
    badgeLabel->show();
    if (look.changesButton)
        setPrimaryButton([state, argument] { return BadgeTable::look(state, argument).buttonText; }, look.buttonEnabled);
}

void MainWindow::showBadgeToolTip(const LiveText &toolTip)
{
    badgeToolTip = toolTip;
    badgeLabel->setToolTip(toolTip.text());
}

void MainWindow::setPrimaryButton(const LiveText &text, bool enabled)
{
    // One conversion at a time: while one runs, no evaluation may offer a second start.
    if (conversionController->isRunning()) {
        primaryButton->setText(BadgeTable::convertingButtonText());
        primaryButton->setEnabled(false);
        return;
    }
    primaryText = text;
    primaryWanted = enabled;
    primaryButton->setText(text.text());
    primaryButton->setEnabled(enabled && !exportController->isRunning());
}

void MainWindow::updateActionButtons()
{
    const bool listedAny = resourceCombo->count() > 0;
    const bool converting = conversionController->isRunning();
    const bool exporting = exportController->isRunning();
    for (QPushButton *button : {exportAnimationsButton, exportFrameButton, exportImagesButton})
        button->setEnabled(listedAny && !converting && !exporting);
    // While "全部转换" runs the button stops it.
    if (!converting)
        convertAllButton->setEnabled(listedAny && !exporting);
}

ExportSubject MainWindow::exportSubject() const
{
    ExportSubject subject{currentPath(), previewController->playingAnimation(), previewController->shownSkins(), {}};
    if (const PageAlpha alpha = previewController->pageAlpha(); alpha != PageAlpha::Automatic)
        subject.premultipliedPages = alpha == PageAlpha::Premultiplied;
    return subject;
}

// The frame at the slider's time, framed as the canvas shows it, at the canvas's size in pixels.
void MainWindow::exportCurrentFrame()
{
    const Camera camera = previewWidget->camera(previewWidget->size(), previewWidget->devicePixelRatioF());
    exportController->exportFrame(exportSubject(), previewController->playbackState().time(), camera);
}

void MainWindow::exportProgressed(qint64 done, qint64 total, const LiveText &status)
{
    // In thousandths: the frames of many outputs may be more than the bar counts.
    constexpr int kSteps = 1000;
    exportProgress->setRange(0, total > 0 ? kSteps : 0);
    exportProgress->setValue(total > 0 ? int(std::min(done, total) * kSteps / total) : 0);
    showStatusText(status);
}

void MainWindow::exportEnded(const LiveText &status, const LiveText &toolTip)
{
    exportProgress->hide();
    cancelExportButton->hide();
    for (QPushButton *button : {exportAnimationsButton, exportFrameButton, exportImagesButton})
        button->show();
    showStatus(status, toolTip);
    updateActionButtons();
    setPrimaryButton(primaryText, primaryWanted);
}

void MainWindow::convertAllClicked()
{
    if (conversionController->isRunning()) {
        if (conversionController->runningMode() == ConversionController::Mode::All)
            conversionController->stop();
        return;
    }
    QList<ListedExport> exports;
    for (int row = 0; row < resourceCombo->count(); ++row)
        exports.append(ListedExport{resourceCombo->pathOf(row), resourceCombo->folderOf(row)});
    conversionController->convertAll(exports, straightAlphaCheckBox->isChecked());
}

void MainWindow::conversionStarted(int mode, const QString &editorVersion)
{
    if (static_cast<ConversionController::Mode>(mode) == ConversionController::Mode::Single) {
        showBadge(BadgeState::Converting, editorVersion);
        stopButton->show();
    }
    showConvertAllButton(); // it now stops the batch
    setPrimaryButton(primaryText, false);
    updateActionButtons();
}

// Readiness decides the badge after a conversion, but it leaves the badge alone when it cannot
// judge the resource (the export was deleted meanwhile); the converting state must not stay then.
void MainWindow::conversionEnded(const LiveText &status, const LiveText &toolTip)
{
    stopButton->hide();
    batchProgress->hide();
    showConvertAllButton();
    updateActionButtons();
    showStatus(status, toolTip);
    showBadge(BadgeState::Unavailable);
    readinessPresenter->run();
}

} // namespace kvx
