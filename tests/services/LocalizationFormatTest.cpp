#include "LocalizationTestSupport.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"
#include "services/TextFormatter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>

#include <clocale>
#include <cstdlib>
#include <iostream>
#include <locale>
#include <sstream>
#include <vector>

namespace vantrel {
namespace {

std::string fmt(std::string_view format, std::vector<FormatArg> args) { return formatText(format, args); }

FormatArg s(const char* text) { return makeFormatArg(text); }
FormatArg i(long long value) { return makeFormatArg(value); }
FormatArg d(double value) { return makeFormatArg(value); }

TEST(LocalizationFormat, FillsEveryPlaceholderForm) {
    EXPECT_EQ(fmt("Loaded roll folder: %@ (%d photos)", {s("Roll 12"), i(36)}), "Loaded roll folder: Roll 12 (36 photos)");
    EXPECT_EQ(fmt("Auto-straightened horizon: %+.1f°", {d(-1.26)}), "Auto-straightened horizon: -1.3°");
    EXPECT_EQ(fmt("%+.1f|%+.1f", {d(0.04), d(2.96)}), "+0.0|+3.0");
    EXPECT_EQ(fmt("%.2fx (+%.2f EV)", {d(2.8284), d(1.5)}), "2.83x (+1.50 EV)");
    EXPECT_EQ(fmt("%ld of %lld, %i", {i(9000000000LL), i(-5), i(7)}), "9000000000 of -5, 7");
    EXPECT_EQ(fmt("%2$d photos from %1$@", {s("A"), i(3)}), "3 photos from A");
    EXPECT_EQ(fmt("[%5d][%-4d][%05.1f][%s]", {i(42), i(7), d(3.14159), s("x")}), "[   42][7   ][003.1][x]");
    EXPECT_EQ(fmt("%f", {d(0.5)}), "0.500000");
    EXPECT_EQ(fmt("100%% done, %d%%", {i(5)}), "100% done, 5%");
    EXPECT_EQ(fmt("★%d", {makeFormatArg(4)}), "★4");
    EXPECT_EQ(fmt("%@", {makeFormatArg(std::string("Ünïcødé 「x」"))}), "Ünïcødé 「x」");
}

TEST(LocalizationFormat, LeavesFaultyPlaceholdersVisible) {
    // Missing arguments.
    EXPECT_EQ(fmt("Loaded roll folder: %@ (%d photos)", {s("Roll 12")}), "Loaded roll folder: Roll 12 (%d photos)");
    EXPECT_EQ(fmt("Rendering (%d/%d): %@", {}), "Rendering (%d/%d): %@");
    EXPECT_EQ(fmt("%3$@", {s("a"), s("b")}), "%3$@");
    // Arguments of the wrong kind.
    EXPECT_EQ(fmt("%d photos", {s("many")}), "%d photos");
    EXPECT_EQ(fmt("%@ photos", {i(3)}), "%@ photos");
    EXPECT_EQ(fmt("%.1f°", {i(3)}), "%.1f°");
    // Percent signs that are not placeholders stay plain text.
    EXPECT_EQ(fmt("Zoom: 100% Pixel Inspection", {}), "Zoom: 100% Pixel Inspection");
    EXPECT_EQ(fmt("50%", {i(1)}), "50%");
    // Absurd widths are not honoured, and nothing is read past the end.
    EXPECT_EQ(fmt("[%999999999d]", {i(1)}), "[%999999999d]");
    EXPECT_EQ(fmt("%0$d", {i(1)}), "%0$d");
    EXPECT_EQ(fmt("%.1", {d(1)}), "%.1");
    EXPECT_EQ(fmt("%", {}), "%");
    // Extra arguments are ignored.
    EXPECT_EQ(fmt("none", {i(1), s("x")}), "none");
}

// Makes the German locale active for the C library (compiling it into a
// temporary folder when the system has none), for C++ streams and for Qt.
class GermanLocale {
public:
    GermanLocale() {
        previousC_ = std::setlocale(LC_ALL, nullptr);
        cActive_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        if (!cActive_ && dir_.isValid()) {
            const QString target = dir_.filePath("de_DE.UTF-8");
            QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8", target});
            setenv("LOCPATH", QDir::toNativeSeparators(dir_.path()).toLocal8Bit().constData(), 1);
            cActive_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        }
        struct Comma : std::numpunct<char> {
            char do_decimal_point() const override { return ','; }
            char do_thousands_sep() const override { return '.'; }
            std::string do_grouping() const override { return "\3"; }
        };
        previousCpp_ = std::locale::global(std::locale(std::locale::classic(), new Comma));
        previousQt_ = QLocale();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~GermanLocale() {
        std::setlocale(LC_ALL, previousC_.c_str());
        std::locale::global(previousCpp_);
        QLocale::setDefault(previousQt_);
        unsetenv("LOCPATH");
    }
    bool cLocaleActive() const { return cActive_; }

private:
    QTemporaryDir dir_;
    std::string previousC_;
    bool cActive_ = false;
    std::locale previousCpp_;
    QLocale previousQt_;
};

TEST(LocalizationFormat, NumbersIgnoreTheProcessLocale) {
    GermanLocale german;
    // The rig really is German: C++ streams now write a decimal comma.
    std::ostringstream stream;
    stream.imbue(std::locale());
    stream << 1234.5;
    EXPECT_EQ(stream.str(), "1.234,5");
    if (!german.cLocaleActive()) {
        std::cerr << "note: no German C locale could be made; checking C++ streams and Qt only\n";
    } else {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
        EXPECT_STREQ(buffer, "1,5");
    }

    EXPECT_EQ(fmt("%.1f|%+.2f|%d|%f", {d(1234.5), d(-0.125), i(1234567), d(2.5)}), "1234.5|-0.12|1234567|2.500000");

    testing::useScratchUserSettings();
    LocalizationManager::shared().setLanguage(AppLanguage::de);
    EXPECT_EQ(L10n::tr("status.horizonCalibrated", -1.26), "Horizont automatisch ausgerichtet: -1.3°");
    EXPECT_EQ(L10n::tr("status.batchRenderingItem", 3, 36, "Frame_03.tif"), "Berechnung (3/36): Frame_03.tif");
}

}  // namespace
}  // namespace vantrel
