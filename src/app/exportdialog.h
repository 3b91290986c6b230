#pragma once
// The dialog of "导出动画…": format, animations, skins, frame rate, size or scale, background and
// output folder. It refuses, in place, what the render would refuse (checkRenderSettings), so the
// user keeps what was entered.

#include "app/exportchoice.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kvx {

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    explicit ExportDialog(const AnimationExportOffer &offer, QWidget *parent = nullptr);

    AnimationExportChoice choice() const;
    // Why a choice cannot be exported (no folder, or what checkRenderSettings refuses), in the
    // window's words; empty when it can.
    static QString refusalOf(const AnimationExportChoice &choice);

    // Runs the dialog; none when it was cancelled.
    static std::optional<AnimationExportChoice> ask(QWidget *parent, const AnimationExportOffer &offer);

public slots:
    void accept() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    // A row of the form with its label, which retranslate() words.
    void addRow(QLabel *&label, QLayout *fields);
    void addRow(QLabel *&label, QWidget *field);
    QLayout *buildFormatRow();
    QLayout *buildFramingRow();
    QLayout *buildBackgroundRow();
    QLayout *buildFolderRow();
    void showChoice(const AnimationExportChoice &initial);
    void formatChanged();
    void framingChanged();
    void chooseColour();
    void chooseFolder();
    void showColour();

    QComboBox *formatList = nullptr;
    QRadioButton *currentAnimation = nullptr;
    QRadioButton *allAnimations = nullptr;
    QRadioButton *currentSkins = nullptr;
    QRadioButton *allSkins = nullptr;
    QSpinBox *fps = nullptr;
    QRadioButton *byScale = nullptr;
    QRadioButton *bySize = nullptr;
    QDoubleSpinBox *scale = nullptr;
    QSpinBox *width = nullptr;
    QSpinBox *height = nullptr;
    QRadioButton *transparent = nullptr;
    QRadioButton *coloured = nullptr;
    QPushButton *colourButton = nullptr;
    QLineEdit *folder = nullptr;
    QLabel *refusalLabel = nullptr;
    QPushButton *browseButton = nullptr;
    QPushButton *exportButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QLabel *formatLabel = nullptr;
    QLabel *animationLabel = nullptr;
    QLabel *skinLabel = nullptr;
    QLabel *fpsLabel = nullptr;
    QLabel *sizeLabel = nullptr;
    QLabel *backgroundLabel = nullptr;
    QLabel *folderLabel = nullptr;
    QFormLayout *form = nullptr;
    AnimationExportOffer offered;
    BackgroundColour colour = 0x000000;
};

} // namespace kvx
