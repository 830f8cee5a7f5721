#include "LocalizationTestSupport.h"
#include "model/Translation.h"
#include "services/AppLanguage.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <optional>

namespace vantrel {
namespace {

TEST(LocalizationLanguage, ResolvesLocaleNamesAndPreferenceLists) {
    const auto one = [](const char* name) { return resolveAppLanguage({name}); };
    EXPECT_EQ(one("zh_CN.UTF-8"), AppLanguage::zhHans);
    EXPECT_EQ(one("zh"), AppLanguage::zhHans);
    EXPECT_EQ(one("zh_TW.UTF-8"), AppLanguage::zhHant);
    EXPECT_EQ(one("zh_HK"), AppLanguage::zhHant);
    EXPECT_EQ(one("zh-Hant-TW"), AppLanguage::zhHant);
    EXPECT_EQ(one("ja_JP.UTF-8"), AppLanguage::ja);
    EXPECT_EQ(one("de_AT@euro"), AppLanguage::de);
    EXPECT_EQ(one("fr_CA.ISO-8859-1"), AppLanguage::fr);
    EXPECT_EQ(one("es_MX"), AppLanguage::es);
    EXPECT_EQ(one("pt_BR.UTF-8"), AppLanguage::en);
    EXPECT_EQ(one("C"), AppLanguage::en);
    EXPECT_EQ(one("POSIX"), AppLanguage::en);
    EXPECT_EQ(one("C.UTF-8"), AppLanguage::en);
    EXPECT_EQ(resolveAppLanguage({}), AppLanguage::en);

    // The first entry naming a supported language decides; others are skipped.
    EXPECT_EQ(resolveAppLanguage({"zh_SG", "de_DE"}), AppLanguage::de);
    EXPECT_EQ(resolveAppLanguage({"pt_BR", "C", "ja_JP"}), AppLanguage::ja);
    EXPECT_EQ(resolveAppLanguage({"en_GB", "fr_FR"}), AppLanguage::en);

    EXPECT_EQ(appLanguageFromRawValue("zh-Hant"), AppLanguage::zhHant);
    EXPECT_EQ(appLanguageFromRawValue("FR"), std::nullopt);
    EXPECT_EQ(appLanguageFromRawValue("system"), std::nullopt);
    EXPECT_EQ(nativeName(AppLanguage::de), "Deutsch");
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(LocalizationLanguage, ReadsTheDesktopLocaleFromTheEnvironment) {
    {
        ScopedEnv all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr);
        ScopedEnv lang("LANG", "fr_CA.UTF-8"), language("LANGUAGE", "ja:de_DE");
        const auto list = systemPreferredLanguages();
        ASSERT_GE(list.size(), 3u);
        EXPECT_EQ(list[0], "ja");
        EXPECT_EQ(list[1], "de_DE");
        EXPECT_EQ(list[2], "fr_CA.UTF-8");
        EXPECT_EQ(resolveAppLanguage(list), AppLanguage::ja);
    }
    {
        // LC_MESSAGES outranks LANG; LC_ALL outranks both.
        ScopedEnv language("LANGUAGE", nullptr), lang("LANG", "fr_FR.UTF-8");
        ScopedEnv messages("LC_MESSAGES", "es_MX.UTF-8"), all("LC_ALL", nullptr);
        EXPECT_EQ(resolveAppLanguage(systemPreferredLanguages()), AppLanguage::es);
        ScopedEnv all2("LC_ALL", "zh_TW.UTF-8");
        EXPECT_EQ(resolveAppLanguage(systemPreferredLanguages()), AppLanguage::zhHant);
    }
    {
        // A C messages locale disables LANGUAGE, as gettext does.
        ScopedEnv all("LC_ALL", "C"), language("LANGUAGE", "ja");
        const auto list = systemPreferredLanguages();
        ASSERT_FALSE(list.empty());
        EXPECT_EQ(list[0], "C");
        EXPECT_EQ(std::count(list.begin(), list.end(), "ja"), 0);
    }
}

// A manager over a settings file in a temporary folder and a fixed desktop language.
struct ManagerRig {
    QTemporaryDir dir;
    std::vector<std::string> desktop{"de_DE.UTF-8"};

    std::unique_ptr<QSettings> settings() const {
        return std::make_unique<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
    }
    std::unique_ptr<LocalizationManager> make(const StringTable& table = StringTable::builtIn()) {
        return std::make_unique<LocalizationManager>([this] { return settings(); }, [this] { return desktop; }, table);
    }
    QString stored() const { return settings()->value("VantrelAppLanguage").toString(); }
    void store(const char* value) { settings()->setValue("VantrelAppLanguage", value); }
};

TEST(LocalizationManager, PersistsTheChoiceAcrossLaunches) {
    ManagerRig rig;
    {
        auto manager = rig.make();  // nothing stored: follows the desktop, writes nothing
        EXPECT_TRUE(manager->isFollowingSystem());
        EXPECT_EQ(manager->currentLanguage(), AppLanguage::de);
        EXPECT_TRUE(rig.stored().isEmpty());
        manager->setLanguage(AppLanguage::ja);
        EXPECT_FALSE(manager->isFollowingSystem());
        EXPECT_EQ(rig.stored(), "ja");
    }
    {
        auto manager = rig.make();
        EXPECT_FALSE(manager->isFollowingSystem());
        EXPECT_EQ(manager->currentLanguage(), AppLanguage::ja);
        manager->followSystemLanguage();
        EXPECT_EQ(rig.stored(), "system");
        EXPECT_EQ(manager->currentLanguage(), AppLanguage::de);
    }
    {
        auto manager = rig.make();
        EXPECT_TRUE(manager->isFollowingSystem());
    }
    rig.store("fr");
    EXPECT_EQ(rig.make()->currentLanguage(), AppLanguage::fr);
    // An unknown value is treated as "system" and left alone until the user chooses.
    rig.store("FR");
    {
        auto manager = rig.make();
        EXPECT_TRUE(manager->isFollowingSystem());
        EXPECT_EQ(manager->currentLanguage(), AppLanguage::de);
        EXPECT_EQ(rig.stored(), "FR");
    }
}

TEST(LocalizationManager, AnnouncesEveryChangeWithTheNewLanguage) {
    ManagerRig rig;
    auto manager = rig.make();
    std::vector<AppLanguage> announced;
    int changes = 0;
    QObject::connect(manager.get(), &LocalizationManager::languageChanged,
                     [&](AppLanguage language) { announced.push_back(language); });
    QObject::connect(manager.get(), &LocalizationManager::changed, [&] { ++changes; });

    manager->setLanguage(AppLanguage::fr);
    manager->setLanguage(AppLanguage::fr);  // unchanged, still announced
    EXPECT_EQ(announced, (std::vector<AppLanguage>{AppLanguage::fr, AppLanguage::fr}));

    // An explicit choice ignores desktop changes.
    rig.desktop = {"es_ES"};
    manager->systemLocaleChanged();
    EXPECT_EQ(announced.size(), 2u);
    EXPECT_EQ(manager->currentLanguage(), AppLanguage::fr);

    announced.clear();
    changes = 0;
    manager->followSystemLanguage();
    EXPECT_EQ(announced, std::vector<AppLanguage>{AppLanguage::es});
    EXPECT_EQ(changes, 1);

    // Following again with the same result still tells observers once.
    manager->followSystemLanguage();
    EXPECT_EQ(announced.size(), 2u);
    EXPECT_EQ(changes, 2);

    // While following: announced only when the resolved language differs.
    manager->systemLocaleChanged();
    EXPECT_EQ(announced.size(), 2u);
    rig.desktop = {"zh_HK.UTF-8"};
    manager->systemLocaleChanged();
    EXPECT_EQ(announced.back(), AppLanguage::zhHant);
    EXPECT_EQ(announced.size(), 3u);
    EXPECT_EQ(rig.stored(), "system");
}

TEST(LocalizationManager, FallsBackToEnglishThenSimplifiedChineseThenTheKey) {
    const StringTable table = StringTable::parse(
        "key\ten\tzh-Hans\tzh-Hant\tja\tde\tfr\tes\n"
        "all.set\tEnglish\t简体\t繁體\t日本\tDeutsch\tFrançais\tEspañol\n"
        "only.english\tEnglish only\t\t\t\t\t\t\n"
        "only.chinese\t\t只有中文\t\t\t\t\t\n"
        "all.empty\t\t\t\t\t\t\t\n");
    ManagerRig rig;
    auto manager = rig.make(table);
    manager->setLanguage(AppLanguage::fr);
    EXPECT_EQ(manager->localizedString("all.set"), "Français");
    EXPECT_EQ(manager->localizedString("only.english"), "English only");
    EXPECT_EQ(manager->localizedString("only.chinese"), "只有中文");
    EXPECT_EQ(manager->localizedString("all.empty"), "all.empty");
    EXPECT_EQ(manager->localizedString("foo.bar"), "foo.bar");
    manager->setLanguage(AppLanguage::zhHant);
    EXPECT_EQ(manager->localizedString("all.set"), "繁體");
}

TEST(LocalizationManager, SharedLookupFormatsAndFeedsTheModel) {
    testing::useScratchUserSettings();
    LocalizationManager& manager = LocalizationManager::install();
    manager.setLanguage(AppLanguage::en);
    EXPECT_EQ(L10n::tr("status.folderLoaded", "Roll 12", 36), "Loaded roll folder: Roll 12 (36 photos)");
    EXPECT_EQ(L10n::tr("status.zoom100"), "Zoom: 100% Pixel Inspection");  // never formatted
    EXPECT_EQ(L10n::tr("status.exportSuccessAlert", "/tmp/a.jpg"), "File successfully exported to:\n/tmp/a.jpg");
    EXPECT_EQ(translate("hsl.aqua"), "Cyan");
    EXPECT_EQ(translate("no.such.key"), "no.such.key");

    manager.setLanguage(AppLanguage::de);
    EXPECT_EQ(translate("hsl.red"), "Rot");
    manager.setLanguage(AppLanguage::fr);
    EXPECT_NE(L10n::tr("preset.portra400.name"), "K-Portra 400 Warm");
    setTranslationHook({});
}

}  // namespace
}  // namespace vantrel
