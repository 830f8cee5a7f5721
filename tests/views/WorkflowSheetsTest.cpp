// The export dialog, the batch-synchronisation dialog and the save-recipe
// sheet on their own: their modes and texts, what they write and report, the
// keys (Escape cancels, Return confirms only while it may), and that they fit
// in every language at their fixed widths.
#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "services/AppLanguage.h"
#include "services/L10n.h"
#include "views/kit/FittingText.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/ProSlider.h"
#include "views/kit/SymbolView.h"
#include "views/kit/Chip.h"
#include "views/kit/SegmentedControl.h"
#include "views/workflow/BatchSyncDialog.h"
#include "views/workflow/ExportSettingsDialog.h"
#include "views/workflow/ExportSummary.h"
#include "views/workflow/SavePresetSheet.h"
#include "views/workflow/WorkflowParts.h"

namespace vantrel {
namespace {

LoadedPhoto frame(const std::string& title, double width = 6000, double height = 4000) {
    return LoadedPhoto("", title, std::nullopt, Image(), Image(), PhotoSize{width, height}, false, "sRGB");
}

std::vector<LoadedPhoto> frames(int count) {
    std::vector<LoadedPhoto> list;
    for (int i = 0; i < count; ++i) list.push_back(frame("roll_" + std::to_string(i) + ".tif"));
    return list;
}

bool shown(QWidget& dialog) {
    dialog.show();
    return QTest::qWaitForWindowExposed(&dialog);
}

// ---------------------------------------------------------------- export

TEST(ExportSummary, ModesSizeLinePercentAndChips) {
    EXPECT_FALSE(exporting::isBatch(0));
    EXPECT_FALSE(exporting::isBatch(1));
    EXPECT_TRUE(exporting::isBatch(2));
    EXPECT_EQ(exporting::stripChipCount(10), 10u);
    EXPECT_EQ(exporting::sizeLine(frame("a.tif", 6000.9, 4000)), "a.tif (6000 \u00D7 4000)");
    EXPECT_EQ(exporting::qualityPercent(0.58), "58%");  // rounded, although 0.58 × 100 lies below 58
    EXPECT_EQ(exporting::qualityPercent(0.95), "95%");
    EXPECT_EQ(exporting::qualityPercent(1.0), "100%");
    EXPECT_EQ(exporting::qualityPercent(0.5), "50%");
    EXPECT_TRUE(exporting::isCurrentChip(0.955, exporting::kQualityChips[2]));
    EXPECT_FALSE(exporting::isCurrentChip(0.96, exporting::kQualityChips[2]));
    EXPECT_FALSE(exporting::isCurrentChip(0.90, exporting::kQualityChips[1]));
}

TEST(ExportSettingsDialog, OneFrameIsTheSingleModeAndExportsThatFrameWithTheOptions) {
    test::CountedValue<ExportSettings> settings;
    ExportSettingsDialog dialog(settings.binding(), std::optional<LoadedPhoto>(frame("roll_07.tif")));
    ASSERT_TRUE(shown(dialog));
    EXPECT_EQ(dialog.width(), ExportSettingsDialog::kWidth);
    EXPECT_FALSE(dialog.isBatch());
    EXPECT_EQ(dialog.headerSymbol()->symbol(), "square.and.arrow.up.circle.fill");
    EXPECT_EQ(dialog.titleLabel()->fullText(), "Export Photo");
    EXPECT_EQ(dialog.subtitleLabel()->fullText(), "roll_07.tif (6000 \u00D7 4000)");
    EXPECT_FALSE(dialog.frameStrip()->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.exportButton()->fullText(), "Choose Destination && Export...");
    EXPECT_TRUE(dialog.exportButton()->isEnabled());

    QSignalSpy exported(&dialog, &ExportSettingsDialog::exportRequested);
    QSignalSpy cancelled(&dialog, &WorkflowSheet::cancelled);
    QTest::mouseClick(dialog.qualityChip(0), Qt::LeftButton);  // 75%
    QTest::keyClick(&dialog, Qt::Key_Return);
    ASSERT_EQ(exported.count(), 1);
    EXPECT_EQ(exported[0][0].value<ExportSettings>().jpegQuality, 0.75);
    const auto listed = exported[0][1].value<std::vector<LoadedPhoto>>();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].title(), "roll_07.tif");
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_EQ(exported.count(), 1);
}

TEST(ExportSettingsDialog, AnEmptyListCannotExportAndEscapeStillCancels) {
    ExportSettingsDialog dialog(Binding<ExportSettings>::constant({}), std::vector<LoadedPhoto>{});
    ASSERT_TRUE(shown(dialog));
    EXPECT_FALSE(dialog.isBatch());
    EXPECT_FALSE(dialog.subtitleLabel()->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.frameStrip()->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.exportButton()->isEnabled());
    QSignalSpy exported(&dialog, &ExportSettingsDialog::exportRequested);
    QSignalSpy cancelled(&dialog, &WorkflowSheet::cancelled);
    QTest::keyClick(&dialog, Qt::Key_Return);
    QTest::mouseClick(dialog.exportButton(), Qt::LeftButton);
    EXPECT_EQ(exported.count(), 0);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_TRUE(dialog.isVisible());  // its owner closes it
}

TEST(ExportSettingsDialog, BatchesListTenChipsAndCountTheRest) {
    struct Case {
        int count;
        std::size_t chips;
        QString more;
    };
    for (const Case& c : {Case{2, 2, {}}, Case{10, 10, {}}, Case{11, 10, "+ 1 more photos..."},
                          Case{25, 10, "+ 15 more photos..."}}) {
        ExportSettingsDialog dialog(Binding<ExportSettings>::constant({}), frames(c.count));
        ASSERT_TRUE(shown(dialog));
        EXPECT_TRUE(dialog.isBatch());
        EXPECT_EQ(dialog.headerSymbol()->symbol(), "square.and.arrow.up.on.square.fill");
        EXPECT_EQ(dialog.titleLabel()->fullText(), QStringLiteral("Batch Concurrent Export - %1 Frames").arg(c.count));
        EXPECT_EQ(dialog.subtitleLabel()->fullText(), "Batch concurrent rendering to selected folder");
        EXPECT_EQ(dialog.frameChips().size(), c.chips) << c.count;
        EXPECT_EQ(dialog.frameChips().front()->text(), "roll_0.tif");
        EXPECT_EQ(dialog.moreLabel()->isVisibleTo(&dialog), !c.more.isEmpty()) << c.count;
        if (!c.more.isEmpty()) {
            EXPECT_EQ(dialog.moreLabel()->text(), c.more);
        }
        EXPECT_EQ(dialog.exportButton()->fullText(),
                  QStringLiteral("Choose Folder && Export (%1 Frames)...").arg(c.count));
        if (c.count == 25) {
            test::saveShot(dialog, QStringLiteral("export-batch-25"));
        }
    }
}

// Names too long for one line of chips: the chips that fit three lines, then the
// count of every frame without one; a name wider than a whole line is elided
// in the middle, whole in its tooltip. Nothing is cut off unseen.
TEST(ExportSettingsDialog, LongNamesGiveWayToTheCountOfTheRest) {
    std::vector<LoadedPhoto> list{frame(std::string(60, 'w') + "_wider_than_a_line_" + std::string(60, 'w') + ".tif")};
    for (int i = 1; i < 12; ++i) list.push_back(frame("Portra400_roll017_frame_" + std::to_string(10 + i) + "_4000dpi.tif"));
    for (AppLanguage language : {AppLanguage::en, AppLanguage::de}) {
        test::ScopedLanguage scoped(language);
        ExportSettingsDialog dialog(Binding<ExportSettings>::constant({}), list);
        ASSERT_TRUE(shown(dialog));
        QCoreApplication::processEvents();
        EXPECT_EQ(describeLayoutIssues(findLayoutIssues(dialog)).toStdString(), "") << rawValue(language);
        const std::vector<QLabel*> chips = dialog.frameChips();
        ASSERT_GE(chips.size(), 2u);
        ASSERT_LT(chips.size(), 10u);
        EXPECT_TRUE(chips[0]->text().contains(QChar(0x2026)));
        EXPECT_EQ(chips[0]->toolTip().toStdString(), list[0].title());
        EXPECT_EQ(chips[1]->text().toStdString(), list[1].title());
        const QRect room = dialog.frameStrip()->viewport()->rect();
        for (QLabel* chip : chips) {
            EXPECT_TRUE(room.contains(chip->geometry())) << chip->text().toStdString();
            EXPECT_LE(chip->sizeHint().width(), chip->width()) << chip->text().toStdString();  // its text whole inside
        }
        ASSERT_TRUE(dialog.moreLabel()->isVisibleTo(&dialog));
        EXPECT_TRUE(room.contains(dialog.moreLabel()->geometry()));
        EXPECT_EQ(dialog.moreLabel()->text().toStdString(), L10n::tr("export.morePhotos", list.size() - chips.size()));
        if (language == AppLanguage::de) test::saveShot(dialog, QStringLiteral("export-batch-long-de"));
    }
}

TEST(ExportSettingsDialog, OptionsAreWrittenAtOnceAndTheQualityBlockIsForJpegOnly) {
    ExportSettings start;
    start.jpegQuality = 0.58;
    test::CountedValue<ExportSettings> settings(start);
    ExportSettingsDialog dialog(settings.binding(), frames(1));
    ASSERT_TRUE(shown(dialog));
    EXPECT_EQ(dialog.qualityPercent()->text(), "58%");
    for (std::size_t i = 0; i < 4; ++i) EXPECT_FALSE(dialog.qualityChip(i)->isSelected());

    QTest::mouseClick(dialog.qualityChip(2), Qt::LeftButton);
    EXPECT_EQ(settings.value->jpegQuality, 0.95);
    EXPECT_EQ(dialog.qualityPercent()->text(), "95%");
    EXPECT_TRUE(dialog.qualityChip(2)->isSelected());
    EXPECT_EQ(settings.writeCount(), 1);

    // The slider writes through the same options; no chip is current at 0.90.
    ProSlider* slider = dialog.qualitySlider();
    const QWidget* track = slider->track();
    const int x = int(ProSlider::kThumbSize / 2 + (track->width() - ProSlider::kThumbSize) * 0.8);
    test::drag(const_cast<QWidget*>(track), QPoint(x, track->height() / 2), QPoint(x + 1, track->height() / 2));
    EXPECT_NEAR(settings.value->jpegQuality, 0.90, 0.011);
    EXPECT_EQ(dialog.qualityPercent()->text(),
              QString::fromStdString(exporting::qualityPercent(settings.value->jpegQuality)));
    settings.value->jpegQuality = 0.90;
    dialog.refresh();
    for (std::size_t i = 0; i < 4; ++i) EXPECT_FALSE(dialog.qualityChip(i)->isSelected());
    slider->resetToDefault();
    EXPECT_EQ(settings.value->jpegQuality, 0.95);

    // TIFF hides the block and keeps the quality; JPEG shows it again.
    QTest::mouseClick(dialog.formatPicker()->segment(QStringLiteral("TIFF (16-bit)")), Qt::LeftButton);
    EXPECT_EQ(settings.value->format, ExportFormat::tiff);
    EXPECT_FALSE(dialog.qualityBlock()->isVisibleTo(&dialog));
    QTest::mouseClick(dialog.formatPicker()->segment(QStringLiteral("JPEG")), Qt::LeftButton);
    EXPECT_TRUE(dialog.qualityBlock()->isVisibleTo(&dialog));
    EXPECT_EQ(settings.value->jpegQuality, 0.95);

    QTest::mouseClick(dialog.sRGBButton(), Qt::LeftButton);
    EXPECT_FALSE(settings.value->useDisplayP3);
    // A new dialog over the same options shows them (the next opening).
    ExportSettingsDialog again(settings.binding(), frames(1));
    EXPECT_TRUE(again.sRGBButton()->isChecked());
    EXPECT_FALSE(again.displayP3Button()->isChecked());
}

TEST(ExportSettingsDialog, TheFramesHandedOutOutliveTheDialog) {
    auto* dialog = new ExportSettingsDialog(Binding<ExportSettings>::constant({}), frames(3));
    ASSERT_TRUE(shown(*dialog));
    QPointer<ExportSettingsDialog> guard(dialog);
    std::vector<std::string> titles;
    // As a folder panel does: the dialog goes while the receiver still works.
    QObject::connect(dialog, &ExportSettingsDialog::exportRequested, dialog,
                     [&](const ExportSettings&, const std::vector<LoadedPhoto>& photos) {
                         guard->deleteLater();
                         QEventLoop loop;
                         QTimer::singleShot(0, &loop, &QEventLoop::quit);
                         loop.exec();
                         for (const LoadedPhoto& photo : photos) titles.push_back(photo.title());
                     });
    QTest::mouseClick(dialog->exportButton(), Qt::LeftButton);
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(titles, (std::vector<std::string>{"roll_0.tif", "roll_1.tif", "roll_2.tif"}));
}

// ---------------------------------------------------------------- sync

class BatchSyncTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(shown(dialog)); }
    void show(int count, std::string source = "roll_012.tif") {
        targets = count;
        title = std::move(source);
        dialog.refresh();
    }

    int targets = 3;
    std::string title = "roll_012.tif";
    test::CountedValue<BatchSyncOptions> options{BatchSyncOptions::recommended()};
    BatchSyncDialog dialog{options.binding(), [this] { return title; }, [this] { return targets; }};
    QSignalSpy syncs{&dialog, &BatchSyncDialog::syncRequested};
    QSignalSpy cancels{&dialog, &WorkflowSheet::cancelled};
};

TEST_F(BatchSyncTest, EverySwitchHasARowAndTheQuickButtonsSetWholeSets) {
    EXPECT_EQ(dialog.width(), BatchSyncDialog::kWidth);
    for (const sync::Row& row : sync::kRows) {
        OptionRow* shownRow = dialog.row(row.option);
        ASSERT_NE(shownRow, nullptr) << row.name;
        EXPECT_TRUE(shownRow->isVisibleTo(&dialog)) << row.name;
        EXPECT_EQ(shownRow->isOn(), BatchSyncOptions::recommended().*row.option) << row.name;
    }
    EXPECT_EQ(dialog.row(&BatchSyncOptions::syncNegativeLab)->titleLabel()->fullText(), "Negative Conversion");
    EXPECT_EQ(dialog.selectAllButton()->fullText(), "Select All");
    EXPECT_EQ(dialog.clearButton()->fullText(), "Clear All");
    EXPECT_EQ(dialog.recommendedButton()->fullText(), "Recommended");
    EXPECT_EQ(dialog.subtitleLabel()->fullText(),
              "Selectively copy and apply recipe parameters from 「roll_012.tif」 to 3 target photos");
    EXPECT_EQ(dialog.summaryLabel()->fullText(), "Will update recipe files (.vantrel) for 3 photos");
    EXPECT_EQ(dialog.syncButton()->fullText(), "Sync to 3 Photos Now");
    test::saveShot(dialog, QStringLiteral("sync-recommended"));

    QTest::mouseClick(dialog.selectAllButton(), Qt::LeftButton);
    BatchSyncOptions all;
    all.selectAll();
    EXPECT_EQ(*options.value, all);
    for (const sync::Row& row : sync::kRows) EXPECT_TRUE(dialog.row(row.option)->isOn()) << row.name;
    QTest::mouseClick(dialog.selectAllButton(), Qt::LeftButton);
    EXPECT_EQ(*options.value, all);

    QTest::mouseClick(dialog.recommendedButton(), Qt::LeftButton);
    EXPECT_EQ(*options.value, BatchSyncOptions::recommended());
    QTest::mouseClick(dialog.clearButton(), Qt::LeftButton);
    EXPECT_FALSE(options.value->hasAnySelection());
    EXPECT_FALSE(dialog.syncButton()->isEnabled());
    EXPECT_EQ(options.writeCount(), 4);  // one write per button
}

TEST_F(BatchSyncTest, OnlyTheNegativeRowOnStillSyncsAndReturnFollowsTheButton) {
    QTest::mouseClick(dialog.clearButton(), Qt::LeftButton);
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(syncs.count(), 0);

    // The row's text toggles it, like its box.
    OptionRow* negative = dialog.row(&BatchSyncOptions::syncNegativeLab);
    QTest::mouseClick(negative->titleLabel(), Qt::LeftButton);
    BatchSyncOptions only;
    only.deselectAll();
    only.syncNegativeLab = true;
    EXPECT_EQ(*options.value, only);
    EXPECT_TRUE(dialog.syncButton()->isEnabled());
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(syncs.count(), 1);

    QTest::mouseClick(negative->checkBox(), Qt::LeftButton);
    EXPECT_FALSE(options.value->syncNegativeLab);
    QTest::mouseClick(dialog.row(&BatchSyncOptions::syncCrop)->checkBox(), Qt::LeftButton);
    EXPECT_TRUE(options.value->syncCrop);
    QTest::mouseClick(dialog.syncButton(), Qt::LeftButton);
    EXPECT_EQ(syncs.count(), 2);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(cancels.count(), 1);
}

TEST_F(BatchSyncTest, WithoutTargetsNothingCanSync) {
    show(0, "Current Photo");
    EXPECT_EQ(dialog.subtitleLabel()->fullText(),
              "Selectively copy and apply recipe parameters from 「Current Photo」 to 0 target photos");
    EXPECT_EQ(dialog.summaryLabel()->fullText(), "No other photos selected");
    EXPECT_EQ(dialog.syncButton()->fullText(), "Sync to 0 Photos Now");
    EXPECT_FALSE(dialog.syncButton()->isEnabled());
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(syncs.count(), 0);
    show(2);
    EXPECT_TRUE(dialog.syncButton()->isEnabled());
}

// ---------------------------------------------------------------- save recipe

struct SaveCall {
    std::string name, subtitle;
    bool includeFrame = false;
};

class SavePresetTest : public ::testing::Test {
protected:
    std::unique_ptr<SavePresetSheet> make(FilmFrameStyle style) {
        EditParameters current;
        current.filmFrame.style = style;
        auto sheet = std::make_unique<SavePresetSheet>(
            presented.binding(), current, [this](const std::string& name, const std::string& subtitle, bool frame) {
                calls.push_back({name, subtitle, frame});
                return failure;
            });
        EXPECT_TRUE(shown(*sheet));
        return sheet;
    }

    test::CountedValue<bool> presented{true};
    std::vector<SaveCall> calls;
    std::optional<std::string> failure;
};

TEST_F(SavePresetTest, TheFrameChoiceStartsFromTheBorderAndTheModulesNeverChange) {
    auto plain = make(FilmFrameStyle::none);
    EXPECT_EQ(plain->width(), SavePresetSheet::kWidth);
    EXPECT_FALSE(plain->includeFrameRow()->isOn());
    auto framed = make(FilmFrameStyle::polaroid);
    EXPECT_TRUE(framed->includeFrameRow()->isOn());
    ASSERT_EQ(plain->moduleLabels().size(), 9u);
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_EQ(plain->moduleLabels()[i]->fullText(), framed->moduleLabels()[i]->fullText());
    EXPECT_EQ(plain->moduleLabels()[0]->fullText(), "Tone & white balance");
}

TEST_F(SavePresetTest, BlankNamesCannotSaveAndAnswersAreTrimmed) {
    auto sheet = make(FilmFrameStyle::sprocket135);
    EXPECT_FALSE(sheet->saveButton()->isEnabled());
    QTest::keyClicks(sheet->nameField(), " \t ");
    EXPECT_FALSE(sheet->saveButton()->isEnabled());
    QTest::keyClick(sheet->nameField(), Qt::Key_Return);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(*presented.value);

    sheet->nameField()->setText(QStringLiteral("  Vintage Warm 800 "));
    QTest::mouseClick(sheet->includeFrameRow()->checkBox(), Qt::LeftButton);
    QTest::keyClick(sheet->nameField(), Qt::Key_Return);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, "Vintage Warm 800");
    EXPECT_EQ(calls[0].subtitle, "");
    EXPECT_FALSE(calls[0].includeFrame);
    EXPECT_FALSE(*presented.value);
}

TEST_F(SavePresetTest, AFailedSaveKeepsTheSheetAndSaysWhy) {
    auto sheet = make(FilmFrameStyle::none);
    failure = "Permission denied";
    sheet->nameField()->setText(QStringLiteral("Tri-X pushed"));
    sheet->subtitleField()->setText(QStringLiteral(" Two stops "));
    QTest::mouseClick(sheet->saveButton(), Qt::LeftButton);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].subtitle, "Two stops");
    EXPECT_TRUE(*presented.value);
    EXPECT_EQ(presented.writeCount(), 0);
    EXPECT_EQ(sheet->nameField()->text(), "Tri-X pushed");
    ASSERT_TRUE(sheet->failureLabel()->isVisibleTo(sheet.get()));
    EXPECT_EQ(sheet->failureLabel()->fullText(), "Failed to save recipe: Permission denied");
    test::saveShot(*sheet, QStringLiteral("preset-failed"));

    // Stored the second time: it closes.
    failure.reset();
    QTest::keyClick(sheet.get(), Qt::Key_Return);
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_FALSE(*presented.value);
}

TEST_F(SavePresetTest, EscapeAndTheCloseButtonCloseWithoutSaving) {
    auto sheet = make(FilmFrameStyle::none);
    sheet->nameField()->setText(QStringLiteral("Unsaved"));
    QTest::keyClick(sheet->nameField(), Qt::Key_Escape);
    EXPECT_FALSE(*presented.value);
    *presented.value = true;
    QTest::mouseClick(sheet->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(*presented.value);
    EXPECT_TRUE(calls.empty());
}

// ---------------------------------------------------------------- every language

TEST(WorkflowSheets, EveryLanguageFitsTheFixedWidths) {
    for (AppLanguage language : kAllAppLanguages) {
        test::ScopedLanguage scoped(language);
        ExportSettingsDialog single(Binding<ExportSettings>::constant({}),
                                    std::optional<LoadedPhoto>(frame(std::string(90, 'n') + ".tif")));
        ExportSettingsDialog batch(Binding<ExportSettings>::constant({}), frames(14));
        BatchSyncDialog sync(Binding<BatchSyncOptions>::constant({}), [] { return std::string(70, 's') + ".tif"; },
                             [] { return 1234; });
        SavePresetSheet save(Binding<bool>::constant(true), EditParameters{},
                             [](const std::string&, const std::string&, bool) { return std::optional<std::string>(); });
        for (QDialog* dialog : std::initializer_list<QDialog*>{&single, &batch, &sync, &save}) {
            ASSERT_TRUE(shown(*dialog));
            QCoreApplication::processEvents();
            EXPECT_EQ(describeLayoutIssues(findLayoutIssues(*dialog)).toStdString(), "")
                << rawValue(language) << " " << dialog->objectName().toStdString();
        }
        EXPECT_EQ(sync.width(), BatchSyncDialog::kWidth);
        EXPECT_EQ(batch.width(), ExportSettingsDialog::kWidth);
        if (language == AppLanguage::fr) {
            test::saveShot(sync, QStringLiteral("sync-fr"));
            test::saveShot(save, QStringLiteral("preset-fr"));
        }
    }
}

}  // namespace
}  // namespace vantrel
