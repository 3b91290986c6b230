#include "app/exportdialog.h"

#include "app/failuretext.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kvx {
namespace {

constexpr int kPngSequence = -1; // the format list's entry for numbered PNG frames
constexpr double kLeastScale = 0.01;

// Two choices side by side, the first one checked.
QLayout *pair(QRadioButton *first, QRadioButton *second)
{
    auto *row = new QHBoxLayout;
    auto *group = new QButtonGroup(first);
    group->addButton(first);
    group->addButton(second);
    first->setChecked(true);
    row->addWidget(first);
    row->addWidget(second);
    row->addStretch(1);
    return row;
}

QString colourName(BackgroundColour colour)
{
    return QColor(QRgb(colour)).name(QColor::HexRgb);
}

} // namespace

ExportDialog::ExportDialog(const AnimationExportOffer &offer, QWidget *parent) : QDialog(parent), offered(offer)
{
    setModal(true);
    auto *column = new QVBoxLayout(this);
    form = new QFormLayout;
    column->addLayout(form);

    addRow(formatLabel, buildFormatRow());
    currentAnimation = new QRadioButton;
    allAnimations = new QRadioButton;
    addRow(animationLabel, pair(currentAnimation, allAnimations));
    currentSkins = new QRadioButton;
    allSkins = new QRadioButton;
    addRow(skinLabel, pair(currentSkins, allSkins));
    currentSkins->setEnabled(!offer.skins.isEmpty());
    allSkins->setEnabled(!offer.skins.isEmpty());
    fps = new QSpinBox;
    fps->setObjectName(QStringLiteral("exportFps"));
    addRow(fpsLabel, fps);
    addRow(sizeLabel, buildFramingRow());
    addRow(backgroundLabel, buildBackgroundRow());
    addRow(folderLabel, buildFolderRow());

    refusalLabel = new QLabel;
    refusalLabel->setObjectName(QStringLiteral("exportRefusal"));
    refusalLabel->setWordWrap(true);
    refusalLabel->setStyleSheet(QStringLiteral("QLabel { color: #f2b84b; }"));
    refusalLabel->hide();
    column->addWidget(refusalLabel);
    auto *buttons = new QDialogButtonBox;
    exportButton = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    cancelButton = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);
    column->addWidget(buttons);
    retranslate();
    showChoice(offer.initial);
}

void ExportDialog::addRow(QLabel *&label, QLayout *fields)
{
    label = new QLabel;
    form->addRow(label, fields);
}

void ExportDialog::addRow(QLabel *&label, QWidget *field)
{
    label = new QLabel;
    form->addRow(label, field);
}

void ExportDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void ExportDialog::retranslate()
{
    setWindowTitle(tr("导出动画：%1").arg(offered.skeletonName));
    formatLabel->setText(tr("格式"));
    formatList->setItemText(0, tr("PNG 序列"));
    formatList->setItemData(0, tr("每个动画一个文件夹，每帧一张带透明通道的 PNG"), Qt::ToolTipRole);
    for (int index = 1; index < formatList->count(); ++index) {
        const MediaFormatTraits &traits = traitsOf(static_cast<MediaFormat>(formatList->itemData(index).toInt()));
        QString tip = traits.keepsAlpha ? tr("带透明通道") : tr("不带透明通道：画在不透明的背景上");
        if (traits.loops)
            tip += tr("，循环播放");
        formatList->setItemData(index, tip, Qt::ToolTipRole);
    }
    animationLabel->setText(tr("动画"));
    currentAnimation->setText(
        tr("当前动画（%1）").arg(offered.animation.isEmpty() ? tr("初始姿势") : offered.animation));
    allAnimations->setText(tr("全部动画"));
    skinLabel->setText(tr("皮肤"));
    currentSkins->setText(offered.skins.isEmpty() ? tr("当前皮肤") : tr("当前皮肤（%1）").arg(offered.skins));
    allSkins->setText(tr("全部皮肤"));
    allSkins->setToolTip(tr("每个有可绘制内容的皮肤各导出一份"));
    fpsLabel->setText(tr("帧率"));
    fps->setSuffix(tr(" 帧/秒"));
    sizeLabel->setText(tr("尺寸"));
    byScale->setText(tr("按比例"));
    bySize->setText(tr("指定尺寸"));
    bySize->setToolTip(tr("整个动画放进这个尺寸，居中，四周各留 5% 的边距"));
    backgroundLabel->setText(tr("背景"));
    transparent->setText(tr("透明"));
    coloured->setText(tr("颜色"));
    folderLabel->setText(tr("输出到"));
    browseButton->setText(tr("浏览…"));
    exportButton->setText(tr("导出"));
    cancelButton->setText(tr("取消"));
    if (refusalLabel->isVisibleTo(this))
        refusalLabel->setText(refusalOf(choice()));
}

QLayout *ExportDialog::buildFormatRow()
{
    auto *row = new QHBoxLayout;
    formatList = new QComboBox;
    formatList->setObjectName(QStringLiteral("exportFormat"));
    formatList->addItem(QString(), kPngSequence);
    for (const MediaFormatTraits &traits : mediaFormats())
        formatList->addItem(QString::fromLatin1(traits.name.data(), qsizetype(traits.name.size())).toUpper(),
                            int(traits.format));
    connect(formatList, &QComboBox::currentIndexChanged, this, &ExportDialog::formatChanged);
    row->addWidget(formatList);
    row->addStretch(1);
    return row;
}

QLayout *ExportDialog::buildFramingRow()
{
    auto *row = new QHBoxLayout;
    byScale = new QRadioButton;
    bySize = new QRadioButton;
    auto *group = new QButtonGroup(byScale);
    group->addButton(byScale);
    group->addButton(bySize);
    scale = new QDoubleSpinBox;
    scale->setRange(kLeastScale, kMaxRenderScale);
    scale->setDecimals(2);
    scale->setSingleStep(0.25);
    width = new QSpinBox;
    height = new QSpinBox;
    for (QSpinBox *side : {width, height})
        side->setRange(1, kMaxRenderSide);
    row->addWidget(byScale);
    row->addWidget(scale);
    row->addSpacing(12);
    row->addWidget(bySize);
    row->addWidget(width);
    row->addWidget(new QLabel(QStringLiteral("×")));
    row->addWidget(height);
    row->addStretch(1);
    connect(byScale, &QRadioButton::toggled, this, &ExportDialog::framingChanged);
    return row;
}

void ExportDialog::framingChanged()
{
    scale->setEnabled(byScale->isChecked());
    width->setEnabled(bySize->isChecked());
    height->setEnabled(bySize->isChecked());
}

QLayout *ExportDialog::buildBackgroundRow()
{
    auto *row = new QHBoxLayout;
    transparent = new QRadioButton;
    coloured = new QRadioButton;
    colourButton = new QPushButton;
    colourButton->setObjectName(QStringLiteral("exportColour"));
    connect(colourButton, &QPushButton::clicked, this, &ExportDialog::chooseColour);
    auto *group = new QButtonGroup(transparent);
    group->addButton(transparent);
    group->addButton(coloured);
    row->addWidget(transparent);
    row->addWidget(coloured);
    row->addWidget(colourButton);
    row->addStretch(1);
    return row;
}

QLayout *ExportDialog::buildFolderRow()
{
    auto *row = new QHBoxLayout;
    folder = new QLineEdit;
    folder->setObjectName(QStringLiteral("exportFolder"));
    folder->setMinimumWidth(260);
    browseButton = new QPushButton;
    connect(browseButton, &QPushButton::clicked, this, &ExportDialog::chooseFolder);
    row->addWidget(folder, 1);
    row->addWidget(browseButton);
    return row;
}

void ExportDialog::showChoice(const AnimationExportChoice &initial)
{
    formatList->setCurrentIndex(std::max(0, formatList->findData(initial.format ? int(*initial.format) : kPngSequence)));
    (initial.allAnimations ? allAnimations : currentAnimation)->setChecked(true);
    if (allSkins->isEnabled())
        (initial.allSkins ? allSkins : currentSkins)->setChecked(true);
    fps->setRange(kMinMediaFps, kMaxMediaFps);
    fps->setValue(initial.fps);
    scale->setValue(initial.scale);
    width->setValue(initial.size ? initial.size->width : 512);
    height->setValue(initial.size ? initial.size->height : 512);
    (initial.size ? bySize : byScale)->setChecked(true);
    framingChanged();
    colour = initial.background.value_or(0x000000);
    (initial.background ? coloured : transparent)->setChecked(true);
    folder->setText(initial.outputFolder);
    formatChanged();
}

// The frame rate stays within what the format shows; a format without alpha takes a colour.
void ExportDialog::formatChanged()
{
    const int data = formatList->currentData().toInt();
    const std::optional<MediaFormat> format =
        data == kPngSequence ? std::nullopt : std::optional<MediaFormat>(static_cast<MediaFormat>(data));
    fps->setMaximum(format ? std::min(kMaxMediaFps, traitsOf(*format).maxFps) : kMaxMediaFps);
    const bool alpha = formatKeepsAlpha(format);
    transparent->setEnabled(alpha);
    if (!alpha)
        coloured->setChecked(true);
    showColour();
}

void ExportDialog::showColour()
{
    colourButton->setText(colourName(colour));
    const QColor shown = QColor::fromRgb(QRgb(colour));
    colourButton->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; }")
                                    .arg(shown.name(), shown.lightness() > 128 ? QStringLiteral("#000000")
                                                                               : QStringLiteral("#ffffff")));
}

void ExportDialog::chooseColour()
{
    const QColor chosen = QColorDialog::getColor(QColor(QRgb(colour)), this, tr("背景颜色"));
    if (!chosen.isValid())
        return;
    colour = chosen.rgb() & 0xffffffu;
    coloured->setChecked(true);
    showColour();
}

void ExportDialog::chooseFolder()
{
    const QString chosen =
        QFileDialog::getExistingDirectory(this, tr("选择导出位置"), folder->text(), QFileDialog::ShowDirsOnly);
    if (!chosen.isEmpty())
        folder->setText(chosen);
}

AnimationExportChoice ExportDialog::choice() const
{
    AnimationExportChoice chosen;
    const int data = formatList->currentData().toInt();
    if (data != kPngSequence)
        chosen.format = static_cast<MediaFormat>(data);
    chosen.allAnimations = allAnimations->isChecked();
    chosen.allSkins = allSkins->isEnabled() && allSkins->isChecked();
    chosen.fps = fps->value();
    if (bySize->isChecked())
        chosen.size = FrameSize{width->value(), height->value()};
    chosen.scale = scale->value();
    if (coloured->isChecked())
        chosen.background = colour;
    chosen.outputFolder = folder->text().trimmed();
    return chosen;
}

QString ExportDialog::refusalOf(const AnimationExportChoice &chosen)
{
    if (chosen.outputFolder.isEmpty())
        return tr("请选择输出文件夹。");
    if (const Status checked = checkRenderSettings(renderSettingsOf(chosen)); !checked)
        return FailureText::of(checked.failure());
    return QString();
}

void ExportDialog::accept()
{
    const QString refused = refusalOf(choice());
    refusalLabel->setText(refused);
    refusalLabel->setVisible(!refused.isEmpty());
    if (refused.isEmpty())
        QDialog::accept();
}

std::optional<AnimationExportChoice> ExportDialog::ask(QWidget *parent, const AnimationExportOffer &offer)
{
    ExportDialog dialog(offer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

} // namespace kvx
