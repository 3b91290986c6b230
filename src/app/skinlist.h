#pragma once
// The skin list. Choosing an entry shows that skin alone. Where the plugin combines skins its
// entries carry check boxes: ticking one adds it to what is shown, and the ticked skins are
// combined in the list's order (the box then names them all); the last ticked one stays ticked.

#include <QComboBox>
#include <QStringList>

class QStandardItemModel;
class QStandardItem;

namespace kvx {

class SkinList : public QComboBox {
    Q_OBJECT
public:
    explicit SkinList(QWidget *parent = nullptr);

    // Lists the skins with the current one chosen alone; no signal.
    void setSkins(const QStringList &names, int current, bool combinable);
    void clearSkins();
    bool isCombinable() const { return combinable; }
    // The skins shown, in list order.
    QStringList chosenSkins() const { return chosen; }
    // Ticks or unticks the entry as a click on its check box does.
    void setTicked(int row, bool ticked);
    // What the closed list shows: the chosen skins joined with " + ".
    QString shownText() const;

signals:
    // The user changed what is shown: one skin, or several to combine in this order.
    void skinsChosen(QStringList skins);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void chooseAlone(int row);
    void ticksChanged(QStandardItem *item);
    void showChosen();
    QStringList tickedSkins() const;

    QStandardItemModel *skins = nullptr;
    QStringList chosen;
    bool combinable = false;
    bool updating = false; // ticks set by the list itself report nothing
};

} // namespace kvx
