#pragma once
// Qt's own dialogs and controls (the file panels, the buttons of message boxes,
// the menus of text fields) speak the interface language through the
// translations of Qt that the system carries (Debian's qt6-translations-l10n);
// English needs none. The translation is installed while the object lives.
#include <memory>

#include "services/AppLanguage.h"

class QTranslator;

namespace vantrel {

class QtStandardTexts final {
public:
    QtStandardTexts();
    ~QtStandardTexts();
    QtStandardTexts(const QtStandardTexts&) = delete;
    QtStandardTexts& operator=(const QtStandardTexts&) = delete;

    // Qt's texts in `language` from now on, in place of the language before. False
    // when the system has no translation of Qt for it: Qt's texts are English then.
    bool follow(AppLanguage language);

private:
    std::unique_ptr<QTranslator> translator_;
};

}  // namespace vantrel
