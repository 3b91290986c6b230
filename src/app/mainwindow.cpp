// Construction of the window, its style sheet, the status badge and the primary button.

#include "app/mainwindow.h"

#include "app/elidedcombobox.h"
#include "app/elidedlabel.h"
#include "app/playbackbar.h"
#include "app/spinepreviewwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSizePolicy>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kvx {

namespace {

constexpr int kPlaybackIntervalMilliseconds = 16;

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
    "QCheckBox { spacing: 8px; color: #c9ced8; }",
    "QCheckBox::indicator { width: 18px; height: 18px; }",
};

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
    scanPool.setMaxThreadCount(1);
    buildWidgets();
    setAcceptDrops(true);
    setWindowTitle(QStringLiteral("Kovexa"));
    resize(960, 680);
    restoreViewSettings();
}

MainWindow::~MainWindow()
{
    stopScan();
}

void MainWindow::buildWidgets()
{
    auto *central = new QWidget;
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(16);

    auto *headerRow = new QHBoxLayout;
    auto *title = new QLabel(QStringLiteral("Kovexa"));
    title->setObjectName(QStringLiteral("title"));
    badgeLabel = new ElidedLabel; // a long page name is cut, not widening the window
    badgeLabel->setAlignment(Qt::AlignCenter);
    badgeLabel->setMinimumWidth(190);
    badgeLabel->hide();
    resourceCombo = new ElidedComboBox;
    resourceCombo->setMinimumWidth(260);
    resourceCombo->hide();
    auto *chooseButton = new QPushButton(tr("选择资源"));
    chooseButton->setObjectName(QStringLiteral("quietButton"));
    headerRow->addWidget(title);
    headerRow->addStretch(0);
    headerRow->addWidget(badgeLabel);
    headerRow->addStretch(0);
    headerRow->addWidget(resourceCombo);
    headerRow->addWidget(chooseButton);
    column->addLayout(headerRow);

    previewWidget = new SpinePreviewWidget;
    previewWidget->setObjectName(QStringLiteral("preview"));
    column->addWidget(previewWidget, 1);
    playbackBar = new PlaybackBar;
    column->addWidget(playbackBar);

    auto *footerRow = new QHBoxLayout;
    animationCombo = new ElidedComboBox;
    animationCombo->setMinimumWidth(220);
    animationCombo->setEnabled(false);
    skinChoice = new QWidget;
    auto *skinRow = new QHBoxLayout(skinChoice);
    skinRow->setContentsMargins(0, 0, 0, 0);
    skinCombo = new QComboBox;
    skinCombo->setObjectName(QStringLiteral("skinCombo"));
    skinCombo->setMinimumWidth(140);
    skinRow->addWidget(new QLabel(tr("皮肤")));
    skinRow->addWidget(skinCombo);
    skinChoice->hide();
    statusLabel = new ElidedLabel;
    statusLabel->setObjectName(QStringLiteral("status"));
    // A long diagnostic (a loader message, say) is cut at the row's end instead of widening the
    // window past the screen.
    statusLabel->setSizePolicy(QSizePolicy::Ignored, statusLabel->sizePolicy().verticalPolicy());
    straightAlphaCheckBox = new QCheckBox(tr("去除预乘 Alpha"));
    straightAlphaCheckBox->setToolTip(tr("由 Spine 官方纹理解包器转换为普通透明图片"));
    convertAllButton = new QPushButton(tr("全部转换"));
    convertAllButton->setObjectName(QStringLiteral("quietButton"));
    convertAllButton->setToolTip(tr("把列表中所有可转换的骨骼依次转换到同一个文件夹"));
    convertAllButton->setEnabled(false); // until something is listed
    primaryButton = new QPushButton(tr("一键转换为 .spine"));
    primaryButton->setObjectName(QStringLiteral("primaryButton"));
    primaryButton->setEnabled(false);
    footerRow->addWidget(new QLabel(tr("动画")));
    footerRow->addWidget(animationCombo);
    footerRow->addWidget(skinChoice);
    footerRow->addWidget(statusLabel, 1);
    footerRow->addWidget(straightAlphaCheckBox);
    footerRow->addWidget(convertAllButton);
    footerRow->addWidget(createStopButton());
    footerRow->addWidget(primaryButton);
    column->addLayout(footerRow);

    setCentralWidget(central);
    setStyleSheet(mainWindowStyleSheet());
    previewWidget->resetView();
    previewWidget->setMessage(
        tr("把 .json / .skel / .skel.bytes、.atlas / .atlas.txt 和图片拖到这里\n\n也可以拖入整个资源文件夹"));
    statusLabel->clear();

    // Connected only now that every widget exists, so building the window runs no slot.
    connect(chooseButton, &QPushButton::clicked, this, &MainWindow::chooseResources);
    connect(resourceCombo, &QComboBox::currentIndexChanged, this, &MainWindow::resourceChanged);
    connect(animationCombo, &QComboBox::currentTextChanged, this, &MainWindow::animationChanged);
    connect(skinCombo, &QComboBox::currentTextChanged, this, &MainWindow::skinChanged);
    connect(primaryButton, &QPushButton::clicked, this, &MainWindow::convertCurrent);
    connect(convertAllButton, &QPushButton::clicked, this, &MainWindow::convertAll);
    showFullListNamesInTips();

    playbackTimer = new QTimer(this);
    playbackTimer->setInterval(kPlaybackIntervalMilliseconds);
    playbackTimer->setTimerType(Qt::PreciseTimer);
    connect(playbackTimer, &QTimer::timeout, this, &MainWindow::advancePreview);

    probeWatcher = new QFutureWatcher<std::pair<int, QString>>(this);
    connect(probeWatcher, &QFutureWatcherBase::finished, this, &MainWindow::onEditorProbeFinished);

    scanWatcher = new QFutureWatcher<ScanOutcome>(this);
    connect(scanWatcher, &QFutureWatcherBase::resultsReadyAt, this, &MainWindow::onScanResults);
    connect(scanWatcher, &QFutureWatcherBase::progressValueChanged, this, &MainWindow::onScanProgress);
    connect(scanWatcher, &QFutureWatcherBase::finished, this, &MainWindow::onScanFinished);
    connectPlaybackBar();
    installShortcuts();
}

void MainWindow::showFullListNamesInTips()
{
    // A long file or animation name is cut inside its list (ElidedComboBox) instead of widening
    // the window; the full text is in the tool tip.
    connect(resourceCombo, &QComboBox::currentIndexChanged, this, &MainWindow::showCurrentEntryTip);
    connect(animationCombo, &QComboBox::currentTextChanged, animationCombo, &QWidget::setToolTip);
}

// The closed list shows the current entry's own tip: its full path, format and data version.
void MainWindow::showCurrentEntryTip()
{
    resourceCombo->setToolTip(resourceCombo->currentData(Qt::ToolTipRole).toString());
}

void MainWindow::setBadge(const QString &text, const QString &colour)
{
    badgeLabel->setText(QStringLiteral("●  ") + text);
    badgeLabel->setStyleSheet(QStringLiteral("QLabel { color: %1; background: #20242c; border: 1px solid #343a46; "
                                             "border-radius: 8px; padding: 7px 12px; font-weight: 600; }")
                                  .arg(colour));
    badgeLabel->show();
}

void MainWindow::setPrimaryButton(const QString &text, bool enabled)
{
    // One conversion at a time: while a job or a batch runs, no evaluation may offer a second start.
    if (conversionJob || batchConversion) {
        primaryButton->setText(tr("正在转换…"));
        primaryButton->setEnabled(false);
        return;
    }
    primaryButton->setText(text);
    primaryButton->setEnabled(enabled);
}

void MainWindow::setDialogs(WindowDialogs replacement)
{
    // A seam left empty answers like a cancelled dialog, so a test never opens a real one.
    if (!replacement.chooseResourceFiles)
        replacement.chooseResourceFiles = [](QWidget *) { return QStringList(); };
    if (!replacement.chooseEditorFile)
        replacement.chooseEditorFile = [](QWidget *) { return QString(); };
    if (!replacement.chooseOutputFolder)
        replacement.chooseOutputFolder = [](QWidget *, const QString &) { return QString(); };
    if (!replacement.showMessage)
        replacement.showMessage = [](QWidget *, QMessageBox::Icon, const QString &, const QString &) {};
    dialogs = std::move(replacement);
}

QString MainWindow::currentResourcePath() const
{
    return resourceCombo->currentData(Qt::UserRole).toString();
}

} // namespace kvx
