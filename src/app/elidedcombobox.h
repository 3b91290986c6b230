#pragma once
// A list whose current entry, when longer than the box, is cut with "…" instead of clipped.

#include <QComboBox>

namespace kvx {

class ElidedComboBox : public QComboBox {
public:
    explicit ElidedComboBox(QWidget *parent = nullptr);

    // The current entry as painted at the current width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textField(const QStyleOptionComboBox &option) const;
};

} // namespace kvx
