#include "common/qt/uilanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace kvx {
namespace {

struct Catalogues {
    QPointer<QTranslator> program;
    QPointer<QTranslator> qt;
    UiLanguage language = UiLanguage::Chinese;
};

Catalogues &installed()
{
    static Catalogues catalogues;
    return catalogues;
}

// The program's texts are written in Chinese: only English needs a catalogue (embedded by the build).
QString programCatalogue(UiLanguage language)
{
    return language == UiLanguage::English ? QStringLiteral(":/i18n/kovexa_en.qm") : QString();
}

// Qt's texts are written in English: only Chinese needs one of Qt's catalogues.
QString qtCatalogue(UiLanguage language)
{
    return language == UiLanguage::Chinese ? QStringLiteral("qtbase_zh_CN") : QString();
}

void uninstall(QPointer<QTranslator> &translator)
{
    delete translator.data(); // takes itself out of the application
    translator = nullptr;
}

// Installed when it loads; false when it does not.
bool install(QPointer<QTranslator> &translator, const QString &file, const QString &folder = QString())
{
    if (file.isEmpty())
        return true;
    auto *loaded = new QTranslator(QCoreApplication::instance());
    if (!loaded->load(file, folder)) {
        delete loaded;
        return false;
    }
    QCoreApplication::installTranslator(loaded);
    translator = loaded;
    return true;
}

} // namespace

QString uiLanguageCode(UiLanguage language)
{
    return language == UiLanguage::English ? QStringLiteral("en") : QStringLiteral("zh");
}

QList<UiLanguage> uiLanguages()
{
    return {UiLanguage::Chinese, UiLanguage::English};
}

std::optional<UiLanguage> uiLanguageWithCode(const QString &code)
{
    for (const UiLanguage language : uiLanguages()) {
        if (code == uiLanguageCode(language))
            return language;
    }
    return std::nullopt;
}

QStringList uiLanguageCodes()
{
    QStringList codes;
    for (const UiLanguage language : uiLanguages())
        codes.append(uiLanguageCode(language));
    codes.sort();
    return codes;
}

bool useUiLanguage(UiLanguage language)
{
    Catalogues &catalogues = installed();
    uninstall(catalogues.program);
    uninstall(catalogues.qt);
    catalogues.language = language;
    const bool program = install(catalogues.program, programCatalogue(language));
    const bool qt = install(catalogues.qt, qtCatalogue(language), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return program && qt;
}

UiLanguage currentUiLanguage()
{
    return installed().language;
}

} // namespace kvx
