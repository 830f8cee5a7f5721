#pragma once
// Holds the interface language: follows the desktop's language or keeps the
// user's explicit choice across launches, announces every change, and turns
// keys into text through the compiled string table.
#include "services/AppLanguage.h"
#include "services/StringTable.h"
#include "services/TextFormatter.h"

#include <QObject>
#include <QSettings>

#include <atomic>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class LocalizationManager : public QObject {
    Q_OBJECT

public:
    // The user default holding "system" or the raw value of a language.
    static constexpr std::string_view userDefaultsKey = "VantrelAppLanguage";
    // What the change signal stands for, for code that relays it by name.
    static constexpr std::string_view languageChangedNotification = "VantrelLanguageChanged";

    using SettingsFactory = std::function<std::unique_ptr<QSettings>()>;
    using PreferredLanguages = std::function<std::vector<std::string>()>;

    // The shared manager, created on first use with the user's settings and the
    // desktop's languages. First use belongs on the main thread (it is a QObject);
    // lookups may then come from any thread.
    static LocalizationManager& shared();

    // Creates the shared manager if needed and routes the model's display-name
    // lookups (model/Translation.h) through it.
    static LocalizationManager& install();

    // A manager with its own settings store and language source (tests, tools).
    LocalizationManager(SettingsFactory settings, PreferredLanguages preferredLanguages,
                        const StringTable& table = StringTable::builtIn(), QObject* parent = nullptr);

    bool isFollowingSystem() const { return followingSystem_.load(); }
    AppLanguage currentLanguage() const { return currentLanguage_.load(); }

    // The user's explicit choice; stored, and announced even when unchanged.
    void setLanguage(AppLanguage language);
    // Back to the desktop's language; stores "system" and always announces.
    void followSystemLanguage();
    // The desktop's language may have changed (the window relays Qt's
    // LocaleChange event here): re-resolved while following it, announced only
    // when the result differs.
    void systemLocaleChanged();

    // Current language, then English, then Simplified Chinese, then the key.
    std::string localizedString(std::string_view key) const;
    // The looked-up text filled with `arguments` (see TextFormatter.h).
    std::string localizedString(std::string_view key, std::span<const FormatArg> arguments) const;

Q_SIGNALS:
    // Sent on each change of the interface language, with the new language.
    void languageChanged(vantrel::AppLanguage language);
    // Sent whenever anything observers show may differ (language or following).
    void changed();

private:
    void assignCurrentLanguage(AppLanguage language);
    void store(std::string_view value);

    SettingsFactory settings_;
    PreferredLanguages preferredLanguages_;
    const StringTable& table_;
    // Read by lookups from any thread; written on the main thread only.
    std::atomic<bool> followingSystem_{true};
    std::atomic<AppLanguage> currentLanguage_{AppLanguage::en};
};

}  // namespace vantrel

Q_DECLARE_METATYPE(vantrel::AppLanguage)
