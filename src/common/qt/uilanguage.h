#pragma once
// The language the window speaks. Its texts are written in Chinese (the source language and the
// default); English comes from the program's embedded catalogue. Qt's own texts (file dialogs,
// message box buttons, context menus) come from Qt's catalogue for the same language, so that a
// dialog never speaks another language than the window around it. Installing a catalogue makes
// Qt send QEvent::LanguageChange to every window, which words its texts again.

#include <QString>
#include <QStringList>
#include <optional>

namespace kvx {

enum class UiLanguage { Chinese, English };

// "zh" and "en", the codes of the command line and the settings.
QString uiLanguageCode(UiLanguage language);
std::optional<UiLanguage> uiLanguageWithCode(const QString &code);
QStringList uiLanguageCodes(); // in alphabetical order
QList<UiLanguage> uiLanguages(); // Chinese first, the default

// Replaces the catalogues of the language in use with those of this one. Needs the application
// object. A catalogue that cannot be loaded leaves those texts in their source language (Chinese
// for the program's, English for Qt's); the result says whether every catalogue was found.
bool useUiLanguage(UiLanguage language);
UiLanguage currentUiLanguage();

} // namespace kvx
