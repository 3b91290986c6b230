#include "support/shownwords.h"

#include "app/spinepreviewwidget.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QVariant>
#include <QWidget>

namespace kvx::test {
namespace {

const char *const kTextProperties[] = {"text", "toolTip", "placeholderText", "suffix", "prefix", "windowTitle", "title"};

QString nameOf(const QObject &object)
{
    return QString::fromLatin1(object.metaObject()->className()) + QLatin1Char('#') + object.objectName();
}

void add(std::vector<ShownWords> &words, const QString &where, const QString &text)
{
    if (!text.isEmpty())
        words.push_back({where, text});
}

void addModel(std::vector<ShownWords> &words, const QString &where, const QAbstractItemModel &model)
{
    for (int column = 0; column < model.columnCount(); ++column)
        add(words, where + QStringLiteral(" header"), model.headerData(column, Qt::Horizontal).toString());
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column) {
            const QModelIndex index = model.index(row, column);
            add(words, where + QStringLiteral(" entry"), index.data(Qt::DisplayRole).toString());
            add(words, where + QStringLiteral(" entry tip"), index.data(Qt::ToolTipRole).toString());
        }
    }
}

const QAbstractItemModel *languageList(const QWidget &root)
{
    const auto *list = root.findChild<QComboBox *>(QStringLiteral("language"));
    return list ? list->model() : nullptr;
}

} // namespace

std::vector<ShownWords> shownWords(const QWidget &root)
{
    std::vector<ShownWords> words;
    const QAbstractItemModel *languages = languageList(root);
    QList<const QWidget *> widgets{&root};
    for (const QWidget *child : root.findChildren<QWidget *>())
        widgets.append(child);
    for (const QWidget *widget : widgets) {
        const QString where = nameOf(*widget);
        for (const char *property : kTextProperties) {
            const QVariant value = widget->property(property);
            if (value.metaType().id() == QMetaType::QString)
                add(words, where + QLatin1Char(' ') + QLatin1String(property), value.toString());
        }
        // A header shows its view's model: the view's walk has its headers.
        if (const auto *view = qobject_cast<const QAbstractItemView *>(widget);
            view && !qobject_cast<const QHeaderView *>(view) && view->model() && view->model() != languages)
            addModel(words, where, *view->model());
        if (const auto *canvas = qobject_cast<const SpinePreviewWidget *>(widget)) {
            add(words, where + QStringLiteral(" message"), canvas->currentMessage());
            add(words, where + QStringLiteral(" notice"), canvas->currentNotice());
        }
    }
    return words;
}

bool holdsChinese(const QString &text)
{
    for (const QChar character : text) {
        const char16_t code = character.unicode();
        // CJK radicals, punctuation, kana and ideographs; compatibility ideographs; full-width forms.
        if ((code >= 0x2E80 && code <= 0x9FFF) || (code >= 0xF900 && code <= 0xFAFF) || (code >= 0xFF00 && code <= 0xFFEF))
            return true;
    }
    return false;
}

QStringList chineseWords(const QWidget &root)
{
    QStringList found;
    for (const ShownWords &words : shownWords(root)) {
        if (holdsChinese(words.text))
            found.append(words.where + QStringLiteral(": ") + words.text);
    }
    return found;
}

} // namespace kvx::test
