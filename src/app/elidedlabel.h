#pragma once
// A one-line label that never asks for more width than it is given: a text that does not fit is
// cut with "…" and shown in full in the tool tip, above any tool tip of its own.

#include <QLabel>

namespace kvx {

class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;
    // The text as painted at the current width.
    QString shownText() const;
    bool isElided() const { return shownText() != text(); }
    // What hovering shows: the full text when it is cut, then the label's own tool tip.
    QString hoverText() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textArea() const;
};

} // namespace kvx
