#pragma once
// Every text a user can read in a widget and the widgets inside it (dialogs it owns too): texts,
// tool tips, placeholders, titles, spin box suffixes, the entries, tips and headers of lists and
// drop-downs, the canvas's message and notice. Hidden widgets count: they are shown at other times.
// The entries of the language list are left out, since each language is named in itself there.

#include <QString>
#include <QStringList>
#include <vector>

class QWidget;

namespace kvx::test {

struct ShownWords {
    QString where; // the widget's class and object name, and what of it
    QString text;

    bool operator==(const ShownWords &) const = default;
};

std::vector<ShownWords> shownWords(const QWidget &root);

// Chinese characters, or the full-width punctuation that goes with them.
bool holdsChinese(const QString &text);

// The shown words that hold Chinese, each as "where: text", for a test's message.
QStringList chineseWords(const QWidget &root);

} // namespace kvx::test
