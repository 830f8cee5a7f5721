#include "services/QtStandardTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

namespace vantrel {

namespace {

// The catalogue of Qt's translations for the language; none for English, Qt's own.
QString catalogueOf(AppLanguage language) {
    switch (language) {
        case AppLanguage::en: return {};
        case AppLanguage::zhHans: return QStringLiteral("qtbase_zh_CN");
        case AppLanguage::zhHant: return QStringLiteral("qtbase_zh_TW");
        case AppLanguage::ja: return QStringLiteral("qtbase_ja");
        case AppLanguage::de: return QStringLiteral("qtbase_de");
        case AppLanguage::fr: return QStringLiteral("qtbase_fr");
        case AppLanguage::es: return QStringLiteral("qtbase_es");
    }
    return {};
}

}  // namespace

QtStandardTexts::QtStandardTexts() = default;

QtStandardTexts::~QtStandardTexts() {
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
}

bool QtStandardTexts::follow(AppLanguage language) {
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
    }
    const QString catalogue = catalogueOf(language);
    if (catalogue.isEmpty()) return true;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(catalogue, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
    QCoreApplication::installTranslator(translator.get());
    translator_ = std::move(translator);
    return true;
}

}  // namespace vantrel
