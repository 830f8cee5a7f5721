#include "services/LocalizationManager.h"

#include "model/Translation.h"
#include "services/L10n.h"

#include <QCoreApplication>

namespace vantrel {
namespace {

std::unique_ptr<QSettings> userSettings() {
    QString organization = QCoreApplication::organizationName();
    QString application = QCoreApplication::applicationName();
    if (organization.isEmpty()) organization = QStringLiteral("Vantrel");
    if (application.isEmpty()) application = QStringLiteral("Vantrel");
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization, application);
}

QString settingsKey() {
    return QString::fromUtf8(LocalizationManager::userDefaultsKey.data(),
                             static_cast<qsizetype>(LocalizationManager::userDefaultsKey.size()));
}

constexpr std::string_view kFollowSystemValue = "system";

}  // namespace

LocalizationManager& LocalizationManager::shared() {
    static LocalizationManager* manager = new LocalizationManager(userSettings, systemPreferredLanguages);
    return *manager;
}

LocalizationManager& LocalizationManager::install() {
    LocalizationManager& manager = shared();
    setTranslationHook([](std::string_view key) { return L10n::tr(key); });
    return manager;
}

LocalizationManager::LocalizationManager(SettingsFactory settings, PreferredLanguages preferredLanguages,
                                         const StringTable& table, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), preferredLanguages_(std::move(preferredLanguages)), table_(table) {
    qRegisterMetaType<vantrel::AppLanguage>("vantrel::AppLanguage");
    std::optional<AppLanguage> stored;
    if (settings_) {
        const QString value = settings_()->value(settingsKey()).toString();
        if (value != QLatin1String(kFollowSystemValue.data(), static_cast<qsizetype>(kFollowSystemValue.size()))) stored = appLanguageFromRawValue(value.toStdString());
    }
    // Nothing is written back here: an unknown stored value is only replaced
    // when the user next chooses.
    followingSystem_ = !stored.has_value();
    currentLanguage_ = stored ? *stored : resolveAppLanguage(preferredLanguages_ ? preferredLanguages_() : std::vector<std::string>{});
}

void LocalizationManager::setLanguage(AppLanguage language) {
    followingSystem_ = false;
    store(rawValue(language));
    assignCurrentLanguage(language);
    Q_EMIT changed();
}

void LocalizationManager::followSystemLanguage() {
    followingSystem_ = true;
    store(kFollowSystemValue);
    assignCurrentLanguage(resolveAppLanguage(preferredLanguages_ ? preferredLanguages_() : std::vector<std::string>{}));
    Q_EMIT changed();
}

void LocalizationManager::systemLocaleChanged() {
    if (!followingSystem_) return;
    const AppLanguage resolved = resolveAppLanguage(preferredLanguages_ ? preferredLanguages_() : std::vector<std::string>{});
    if (resolved == currentLanguage_.load()) return;
    assignCurrentLanguage(resolved);
    Q_EMIT changed();
}

void LocalizationManager::assignCurrentLanguage(AppLanguage language) {
    currentLanguage_ = language;
    if (!followingSystem_) store(rawValue(language));
    Q_EMIT languageChanged(language);
}

void LocalizationManager::store(std::string_view value) {
    if (!settings_) return;
    auto settings = settings_();
    settings->setValue(settingsKey(), QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
    settings->sync();
}

std::string LocalizationManager::localizedString(std::string_view key) const {
    for (AppLanguage language : {currentLanguage_.load(), AppLanguage::en, AppLanguage::zhHans}) {
        if (auto text = table_.text(key, language)) return std::string(*text);
    }
    return std::string(key);
}

std::string LocalizationManager::localizedString(std::string_view key, std::span<const FormatArg> arguments) const {
    return formatText(localizedString(key), arguments);
}

}  // namespace vantrel
