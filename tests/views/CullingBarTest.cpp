// The culling bar: what each tap asks for, how the filter chips and the
// summary follow the filter, and that the bar fits in every language.
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "services/AppLanguage.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Chip.h"
#include "views/workflow/CullingChoices.h"
#include "views/workflow/CullingControlBar.h"
#include "views/workflow/WorkflowParts.h"

namespace vantrel {
namespace {

using State = CullingControlBar::State;

CullingFilterCriteria criteria(std::optional<int> minRating, std::optional<ColorLabel> colour,
                               std::optional<PickStatus> pick) {
    return CullingFilterCriteria{minRating, colour, pick};
}

TEST(CullingChoices, TapsToggleTheirOwnValueAndChipsKeepTheOtherCriteria) {
    EXPECT_EQ(culling::ratingAfterStarTap(4, 4), 0);
    EXPECT_EQ(culling::ratingAfterStarTap(4, 2), 2);
    EXPECT_EQ(culling::ratingAfterStarTap(0, 1), 1);
    EXPECT_EQ(culling::labelAfterDotTap(ColorLabel::green, ColorLabel::green), ColorLabel::none);
    EXPECT_EQ(culling::labelAfterDotTap(ColorLabel::green, ColorLabel::blue), ColorLabel::blue);
    EXPECT_EQ(culling::statusAfterPickTap(PickStatus::rejected), PickStatus::picked);
    EXPECT_EQ(culling::statusAfterPickTap(PickStatus::picked), PickStatus::unflagged);
    EXPECT_EQ(culling::statusAfterRejectTap(PickStatus::rejected), PickStatus::unflagged);
    EXPECT_EQ(culling::statusAfterRejectTap(PickStatus::picked), PickStatus::rejected);

    const auto set = criteria(3, ColorLabel::red, PickStatus::picked);
    EXPECT_EQ(culling::filterAfterRatingChip(set, 3), criteria(std::nullopt, ColorLabel::red, PickStatus::picked));
    EXPECT_EQ(culling::filterAfterRatingChip(set, 1), criteria(1, ColorLabel::red, PickStatus::picked));
    EXPECT_EQ(culling::filterAfterPickedChip(set), criteria(3, ColorLabel::red, std::nullopt));
    EXPECT_EQ(culling::filterAfterPickedChip(criteria(std::nullopt, std::nullopt, PickStatus::rejected)),
              criteria(std::nullopt, std::nullopt, PickStatus::picked));

    EXPECT_EQ(culling::ratingChipTitle(1), "\u2605 \u2265 1");
    EXPECT_EQ(culling::ratingChipTitle(5), "\u2605 5");
    EXPECT_EQ(culling::allChipTitle(36), "All (36)");
    EXPECT_EQ(culling::allChipTitle(0), "All (0)");
    EXPECT_EQ(culling::filterSummary(12, 36), "12 / 36");
    EXPECT_EQ(culling::starTooltip(3), "Shortcut: 3");
}

class CullingBarTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::showExposed(bar, {760, 30})); }
    void show(State next) {
        state = next;
        bar.refresh();
    }

    State state;
    CullingControlBar bar{[this] { return state; }};
    QSignalSpy ratings{&bar, &CullingControlBar::ratingRequested};
    QSignalSpy labels{&bar, &CullingControlBar::colorLabelRequested};
    QSignalSpy flags{&bar, &CullingControlBar::pickStatusRequested};
    QSignalSpy filters{&bar, &CullingControlBar::filterRequested};
};

TEST_F(CullingBarTest, StarsShowTheRatingAndEachTapAsksOnce) {
    show({.rating = 3});
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(bar.star(n)->symbol(), n <= 3 ? "star.fill" : "star") << n;
        EXPECT_EQ(bar.star(n)->toolTip(), QStringLiteral("Shortcut: %1").arg(n));
    }
    EXPECT_EQ(bar.star(1)->colour(), standardColor(StandardColor::Yellow));
    test::saveShot(bar, QStringLiteral("culling-rated-3"));

    show({.rating = 4});
    QTest::mouseClick(bar.star(4), Qt::LeftButton);
    QTest::mouseClick(bar.star(2), Qt::LeftButton);
    show({.rating = 0});
    QTest::mouseClick(bar.star(1), Qt::LeftButton);
    ASSERT_EQ(ratings.count(), 3);
    EXPECT_EQ(ratings[0][0].toInt(), 0);
    EXPECT_EQ(ratings[1][0].toInt(), 2);
    EXPECT_EQ(ratings[2][0].toInt(), 1);
    // The bar shows what it is given, not what it asked for.
    EXPECT_EQ(bar.star(1)->symbol(), "star");
    EXPECT_EQ(labels.count() + flags.count() + filters.count(), 0);
}

TEST_F(CullingBarTest, DotsRingTheChosenLabelAndFlagsToggle) {
    show({.colorLabel = ColorLabel::green, .pickStatus = PickStatus::rejected});
    for (ColorLabel label : culling::kDotLabels) EXPECT_EQ(bar.dot(label)->isRinged(), label == ColorLabel::green);
    EXPECT_EQ(bar.dot(ColorLabel::green)->toolTip(), "Green");
    EXPECT_EQ(bar.dot(ColorLabel::red)->colour(), QColor(0xFF, 0x45, 0x3A));
    EXPECT_EQ(bar.rejectButton()->symbol(), "xmark.circle.fill");
    EXPECT_EQ(bar.pickButton()->symbol(), "flag");
    test::saveShot(bar, QStringLiteral("culling-green-rejected"));

    QTest::mouseClick(bar.dot(ColorLabel::green), Qt::LeftButton);
    QTest::mouseClick(bar.dot(ColorLabel::blue), Qt::LeftButton);
    QTest::mouseClick(bar.pickButton(), Qt::LeftButton);
    QTest::mouseClick(bar.rejectButton(), Qt::LeftButton);
    show({.pickStatus = PickStatus::picked});
    for (ColorLabel label : culling::kDotLabels) EXPECT_FALSE(bar.dot(label)->isRinged());
    EXPECT_EQ(bar.pickButton()->symbol(), "flag.fill");
    EXPECT_EQ(bar.pickButton()->fill(), standardColor(StandardColor::Accent));
    QTest::mouseClick(bar.rejectButton(), Qt::LeftButton);

    ASSERT_EQ(labels.count(), 2);
    EXPECT_EQ(labels[0][0].value<ColorLabel>(), ColorLabel::none);
    EXPECT_EQ(labels[1][0].value<ColorLabel>(), ColorLabel::blue);
    ASSERT_EQ(flags.count(), 3);
    EXPECT_EQ(flags[0][0].value<PickStatus>(), PickStatus::picked);
    EXPECT_EQ(flags[1][0].value<PickStatus>(), PickStatus::unflagged);
    EXPECT_EQ(flags[2][0].value<PickStatus>(), PickStatus::rejected);
}

TEST_F(CullingBarTest, FilterChipsFollowTheCriteriaAndTheSummaryShowsOnlyWhileFiltered) {
    show({.totalCount = 36, .filteredCount = 36});
    EXPECT_EQ(bar.allChip()->text(), "All (36)");
    EXPECT_TRUE(bar.allChip()->isSelected());
    for (int n : culling::kRatingChips) EXPECT_FALSE(bar.ratingChip(n)->isSelected());
    EXPECT_FALSE(bar.summary()->isVisibleTo(&bar));

    show({.filter = criteria(3, std::nullopt, PickStatus::picked), .totalCount = 36, .filteredCount = 7});
    EXPECT_FALSE(bar.allChip()->isSelected());
    EXPECT_TRUE(bar.ratingChip(3)->isSelected());
    EXPECT_FALSE(bar.ratingChip(5)->isSelected());
    EXPECT_EQ(bar.pickedChip()->symbol(), "flag.fill");
    ASSERT_TRUE(bar.summary()->isVisibleTo(&bar));
    EXPECT_EQ(bar.summary()->text(), "7 / 36");
    test::saveShot(bar, QStringLiteral("culling-filtered"));
    QTest::mouseClick(bar.ratingChip(3), Qt::LeftButton);
    QTest::mouseClick(bar.ratingChip(1), Qt::LeftButton);
    QTest::mouseClick(bar.pickedChip(), Qt::LeftButton);
    QTest::mouseClick(bar.allChip(), Qt::LeftButton);

    // A colour criterion, which no chip sets: nothing selected, the summary shown, All removes it.
    show({.filter = criteria(std::nullopt, ColorLabel::red, std::nullopt), .totalCount = 0, .filteredCount = 0});
    EXPECT_EQ(bar.allChip()->text(), "All (0)");
    EXPECT_FALSE(bar.allChip()->isSelected());
    for (int n : culling::kRatingChips) EXPECT_FALSE(bar.ratingChip(n)->isSelected());
    EXPECT_TRUE(bar.summary()->isVisibleTo(&bar));
    QTest::mouseClick(bar.allChip(), Qt::LeftButton);

    ASSERT_EQ(filters.count(), 5);
    auto sent = [&](int i) { return filters[i][0].value<CullingFilterCriteria>(); };
    EXPECT_EQ(sent(0), criteria(std::nullopt, std::nullopt, PickStatus::picked));
    EXPECT_EQ(sent(1), criteria(1, std::nullopt, PickStatus::picked));
    EXPECT_EQ(sent(2), criteria(3, std::nullopt, std::nullopt));
    EXPECT_TRUE(sent(3).isEmpty());
    EXPECT_TRUE(sent(4).isEmpty());
    EXPECT_EQ(ratings.count() + labels.count() + flags.count(), 0);
}

TEST_F(CullingBarTest, RefreshingNeverAsksAndEveryLanguageFits) {
    const State busy{4, ColorLabel::purple, PickStatus::picked, criteria(5, std::nullopt, PickStatus::picked), 1234,
                     1000};
    for (AppLanguage language : kAllAppLanguages) {
        test::ScopedLanguage scoped(language);
        show(busy);
        QCoreApplication::processEvents();  // the new texts ask for their room
        bar.resize(bar.sizeHint());
        QCoreApplication::processEvents();
        EXPECT_EQ(describeLayoutIssues(findLayoutIssues(bar)).toStdString(), "") << rawValue(language);
        if (language == AppLanguage::de) {
            EXPECT_EQ(bar.dot(ColorLabel::purple)->toolTip(), "Violett");
            test::saveShot(bar, QStringLiteral("culling-de"));
        }
    }
    EXPECT_EQ(ratings.count() + labels.count() + flags.count() + filters.count(), 0);
}

}  // namespace
}  // namespace vantrel
