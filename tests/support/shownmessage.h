#pragma once
// A message box the window would have shown, as the tests' dialogs record it.

#include <QMessageBox>
#include <QString>
#include <vector>

namespace kvx::test {

struct ShownMessage {
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

// The messages with this title, in the order they were shown.
template <typename Message>
std::vector<Message> withTitle(const std::vector<Message> &messages, const QString &title)
{
    std::vector<Message> found;
    for (const Message &message : messages) {
        if (message.title == title)
            found.push_back(message);
    }
    return found;
}

} // namespace kvx::test
