#pragma once
// A text kept as the code that words it rather than as finished words, so that whatever shows it
// can word it again after the language changed: a widget or a controller holds the LiveText of
// what it shows and asks for text() again on QEvent::LanguageChange. Data in no language (a path,
// a file name, an English reason from below the window) is fixed().

#include <QString>
#include <functional>
#include <type_traits>
#include <utility>

namespace kvx {

class LiveText {
public:
    LiveText() = default;
    // Any callable giving the words, typically a lambda around tr(). Finished words (a QString) are
    // deliberately not accepted here: they could not follow a change of language.
    template <typename Words, typename = std::enable_if_t<std::is_invocable_r_v<QString, const Words &>
                                                          && !std::is_convertible_v<Words, QString>>>
    LiveText(Words words) : words(std::move(words)) // NOLINT(google-explicit-constructor): lambdas read as texts
    {
    }

    // Text that is the same in every language.
    static LiveText fixed(QString text)
    {
        return LiveText([text = std::move(text)] { return text; });
    }

    // The words in the language in use now; empty when there are none.
    QString text() const { return words ? words() : QString(); }

private:
    std::function<QString()> words;
};

} // namespace kvx
