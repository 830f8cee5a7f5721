// The snapshot list: the empty state, the create dialog and its default name,
// the two flags of a row, and row actions that find their snapshot by
// identifier when clicked, also while the list changes under them.
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "services/AppLanguage.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FittingText.h"
#include "views/kit/LayoutCheck.h"
#include "views/workflow/SnapshotListView.h"
#include "views/workflow/SnapshotRows.h"
#include "views/workflow/WorkflowParts.h"

namespace vantrel {
namespace {

SnapshotItem snapshot(const std::string& name, double exposure) {
    SnapshotItem item;
    item.id = Uuid::random();
    item.name = name;
    item.parameters.exposure = exposure;
    return item;
}

TEST(SnapshotRules, FlagsBannerAndNames) {
    EditParameters current;
    current.exposure = 1;
    const SnapshotItem a = snapshot("A", 1), b = snapshot("B", 2);
    EXPECT_TRUE(snapshots::rowFlags(a, std::nullopt, current).isCurrent);
    EXPECT_FALSE(snapshots::rowFlags(a, std::nullopt, current).isComparisonBase);
    EXPECT_TRUE(snapshots::rowFlags(b, b.id, current).isComparisonBase);
    EXPECT_FALSE(snapshots::rowFlags(b, b.id, current).isCurrent);
    const std::vector<SnapshotItem> ab{a, b};
    EXPECT_EQ(snapshots::comparedSnapshot(ab, b.id), &ab[1]);
    EXPECT_EQ(snapshots::comparedSnapshot(ab, std::nullopt), nullptr);
    EXPECT_EQ(snapshots::comparedSnapshot(ab, Uuid::random()), nullptr);
    EXPECT_EQ(snapshots::comparedSnapshot({}, a.id), nullptr);

    EXPECT_EQ(snapshots::defaultName(3), "Snapshot 4");
    EXPECT_EQ(snapshots::nameToCreate(QString(), 3), "Snapshot 4");
    EXPECT_EQ(snapshots::nameToCreate(QStringLiteral(" \n\t "), 0), "Snapshot 1");
    EXPECT_EQ(snapshots::nameToCreate(QStringLiteral("  Warm  light\n"), 0), "Warm  light");
    EXPECT_EQ(snapshots::renamedTo(QStringLiteral("  New "), "Old"), QString("New"));
    EXPECT_EQ(snapshots::renamedTo(QStringLiteral(" Old "), "Old"), std::nullopt);
    EXPECT_EQ(snapshots::renamedTo(QStringLiteral("   "), "Old"), std::nullopt);
}

class SnapshotListTest : public ::testing::Test {
protected:
    void SetUp() override {
        current.exposure = 1;
        ASSERT_TRUE(test::showExposed(view, {240, 520}));
    }
    void show(std::vector<SnapshotItem> next, std::optional<Uuid> comparing = std::nullopt) {
        list = std::move(next);
        compared = comparing;
        view.refresh();
        QCoreApplication::processEvents();
    }
    SnapshotRow* rowOf(const SnapshotItem& item) { return view.row(item.id); }

    std::vector<SnapshotItem> list;
    std::optional<Uuid> compared;
    EditParameters current;
    SnapshotListView view{[this] { return list; }, [this] { return compared; }, [this] { return current; }};
    QSignalSpy applied{&view, &SnapshotListView::applyRequested};
    QSignalSpy toggled{&view, &SnapshotListView::compareToggled};
    QSignalSpy deleted{&view, &SnapshotListView::deleteRequested};
    QSignalSpy renamed{&view, &SnapshotListView::renameRequested};
    QSignalSpy created{&view, &SnapshotListView::createRequested};
    QSignalSpy cleared{&view, &SnapshotListView::clearCompareRequested};
};

TEST_F(SnapshotListTest, AnEmptyListShowsTheEmptyStateAndNoBanner) {
    show({}, Uuid::random());
    EXPECT_EQ(view.title()->fullText(), "Snapshots (0)");
    EXPECT_TRUE(view.emptyState()->isVisibleTo(&view));
    EXPECT_FALSE(view.rowArea()->isVisibleTo(&view));
    EXPECT_FALSE(view.banner()->isVisibleTo(&view));
    EXPECT_TRUE(view.rows().empty());
    // A short sidebar scrolls the empty state: the panel asks for no more than its
    // header and a little list, however long the translation.
    for (AppLanguage language : {AppLanguage::en, AppLanguage::ja, AppLanguage::de}) {
        test::ScopedLanguage scoped(language);
        view.refresh();
        const int header = view.findChild<QWidget*>(QStringLiteral("snapshots.header"))->sizeHint().height();
        EXPECT_LE(view.minimumSizeHint().height(), header + 80) << rawValue(language);
    }
    test::saveShot(view, QStringLiteral("snapshots-empty"));
}

TEST_F(SnapshotListTest, TheCreateDialogOffersTheDefaultNameAndTrimsWhatIsTyped) {
    show({snapshot("One", 0), snapshot("Two", 0), snapshot("Three", 0)});
    QTest::mouseClick(view.saveButton(), Qt::LeftButton);
    QDialog* dialog = view.createDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_EQ(dialog->width(), 320);
    QLineEdit* field = view.createNameField();
    EXPECT_EQ(field->text(), "Snapshot 4");
    test::saveShot(*dialog, QStringLiteral("snapshots-create"));

    // Return creates with the name unchanged; the dialog goes.
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_EQ(created.count(), 1);
    EXPECT_EQ(created[0][0].value<std::string>(), "Snapshot 4");
    EXPECT_FALSE(dialog->isVisible());

    // Cleared, or only blanks: the default name again.
    for (const char* typed : {"", "   "}) {
        QTest::mouseClick(view.saveButton(), Qt::LeftButton);
        field->setText(QString::fromUtf8(typed));
        QTest::keyClick(field, Qt::Key_Return);
    }
    QTest::mouseClick(view.saveButton(), Qt::LeftButton);
    field->setText(QStringLiteral("  Golden hour \n"));
    QTest::mouseClick(dialog->findChild<QPushButton*>("snapshots.create"), Qt::LeftButton);
    ASSERT_EQ(created.count(), 4);
    EXPECT_EQ(created[1][0].value<std::string>(), "Snapshot 4");
    EXPECT_EQ(created[2][0].value<std::string>(), "Snapshot 4");
    EXPECT_EQ(created[3][0].value<std::string>(), "Golden hour");

    // Escape closes it without creating; the typed name is kept until the next opening.
    QTest::mouseClick(view.saveButton(), Qt::LeftButton);
    field->setText(QStringLiteral("Kept"));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(created.count(), 4);
    EXPECT_EQ(view.newSnapshotName(), "Kept");
}

TEST_F(SnapshotListTest, RowsShowTheirFlagsAndTheBannerNamesTheComparedSnapshot) {
    const SnapshotItem same1 = snapshot("Same one", 1), same2 = snapshot("Same two", 1), other = snapshot("Other", 3);
    show({same1, other, same2});
    std::vector<SnapshotRow*> rows = view.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], rowOf(same1));
    EXPECT_EQ(rows[1], rowOf(other));
    EXPECT_EQ(view.title()->fullText(), "Snapshots (3)");
    for (const SnapshotItem* item : {&same1, &same2}) {
        SnapshotRow* row = rowOf(*item);
        EXPECT_TRUE(row->badge()->isVisibleTo(row));
        EXPECT_EQ(row->badge()->text(), "Current");
        EXPECT_FALSE(row->loadButton()->isEnabled());
    }
    EXPECT_FALSE(rowOf(other)->badge()->isVisibleTo(rowOf(other)));
    EXPECT_TRUE(rowOf(other)->loadButton()->isEnabled());
    EXPECT_EQ(rowOf(other)->dateLabel()->text().size(), 16);  // yyyy-MM-dd HH:mm
    EXPECT_FALSE(view.banner()->isVisibleTo(&view));

    // Compared and current: only the A badge, the compare button in its cancel state.
    show({same1, other, same2}, same1.id);
    SnapshotRow* base = rowOf(same1);
    EXPECT_EQ(base->badge()->text(), "A");
    EXPECT_FALSE(base->loadButton()->isEnabled());
    EXPECT_EQ(base->compareButton()->fullText(), "Stop A/B");
    EXPECT_EQ(rowOf(other)->compareButton()->fullText(), "A/B");
    ASSERT_TRUE(view.banner()->isVisibleTo(&view));
    EXPECT_EQ(view.bannerText()->text(), "Comparing with 「Same one」");
    test::saveShot(view, QStringLiteral("snapshots-comparing"));
    QTest::mouseClick(view.findChild<QPushButton*>("snapshots.exitCompare"), Qt::LeftButton);
    EXPECT_EQ(cleared.count(), 1);

    // An identifier that names no listed snapshot: no banner, no base.
    show({same1, other, same2}, Uuid::random());
    EXPECT_FALSE(view.banner()->isVisibleTo(&view));
    for (SnapshotRow* row : view.rows()) EXPECT_FALSE(row->flags().isComparisonBase);
}

TEST_F(SnapshotListTest, RowActionsFindTheirSnapshotByIdentifierWhenClicked) {
    const SnapshotItem a = snapshot("A", 2), b = snapshot("B", 3);
    show({a, b});
    SnapshotRow* rowB = rowOf(b);
    QTest::mouseClick(rowB->loadButton(), Qt::LeftButton);
    QTest::mouseClick(rowB->compareButton(), Qt::LeftButton);
    ASSERT_EQ(applied.count(), 1);
    EXPECT_EQ(applied[0][0].value<SnapshotItem>(), b);
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_EQ(toggled[0][0].value<SnapshotItem>().id, b.id);

    // The list changed and the panel has not been refreshed yet: a new
    // snapshot before B and B renamed. The row still acts on B, as it is now.
    SnapshotItem renamedB = b;
    renamedB.name = "B2";
    list = {snapshot("New", 5), a, renamedB};
    QTest::mouseClick(rowB->loadButton(), Qt::LeftButton);
    ASSERT_EQ(applied.count(), 2);
    EXPECT_EQ(applied[1][0].value<SnapshotItem>().name, "B2");

    // B is gone meanwhile: its row asks for nothing.
    list = {a};
    QTest::mouseClick(rowB->deleteButton(), Qt::LeftButton);
    QTest::mouseClick(rowB->loadButton(), Qt::LeftButton);
    EXPECT_EQ(deleted.count(), 0);
    EXPECT_EQ(applied.count(), 2);

    view.refresh();
    ASSERT_EQ(view.rows().size(), 1u);
    QTest::mouseClick(view.rows()[0]->deleteButton(), Qt::LeftButton);
    ASSERT_EQ(deleted.count(), 1);
    EXPECT_EQ(deleted[0][0].value<Uuid>(), a.id);
}

TEST_F(SnapshotListTest, ADeleteThatRefreshesAtOnceRebuildsTheRowsAfterTheClick) {
    const SnapshotItem a = snapshot("A", 2), b = snapshot("B", 3), c = snapshot("C", 4);
    show({a, b, c});
    // A caller that removes the snapshot and refreshes inside the request, as a
    // window refreshing synchronously would.
    std::vector<QString> shownDuringClick;
    QObject::connect(&view, &SnapshotListView::deleteRequested, &view, [&](const Uuid& id) {
        std::erase_if(list, [&](const SnapshotItem& s) { return s.id == id; });
        view.refresh();
        for (SnapshotRow* row : view.rows()) shownDuringClick.push_back(row->nameLabel()->fullText());
    });
    QPointer<SnapshotRow> clicked = rowOf(b);
    QTest::mouseClick(clicked->deleteButton(), Qt::LeftButton);
    ASSERT_EQ(deleted.count(), 1);
    // During the click the rows stood still; the click's row is alive afterwards.
    EXPECT_EQ(shownDuringClick, (std::vector<QString>{"A", "B", "C"}));
    ASSERT_FALSE(clicked.isNull());
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.rows().size() == std::size_t(2); }));
    EXPECT_EQ(view.rows()[0]->nameLabel()->fullText(), "A");
    EXPECT_EQ(view.rows()[1]->nameLabel()->fullText(), "C");
    EXPECT_EQ(view.rows()[1], rowOf(c));

    // The freed row serves the next snapshot; no row was destroyed.
    const SnapshotItem d = snapshot("D", 5);
    show({a, c, d});
    EXPECT_EQ(rowOf(d), clicked.data());
}

TEST_F(SnapshotListTest, RenamingCommitsTrimmedNamesAndSurvivesARefresh) {
    const SnapshotItem a = snapshot("Alpha", 2), b = snapshot("Beta", 3);
    show({a, b});
    SnapshotRow* row = rowOf(a);
    QTest::mouseClick(row->renameButton(), Qt::LeftButton);
    ASSERT_TRUE(row->isRenaming());
    EXPECT_EQ(row->nameEditor()->text(), "Alpha");
    // A refresh while typing keeps the editor and the text typed.
    row->nameEditor()->setText(QStringLiteral("  Alpha warm  "));
    show({snapshot("Zero", 1), a, b});
    EXPECT_TRUE(row->isRenaming());
    EXPECT_EQ(row->nameEditor()->text(), "  Alpha warm  ");
    QTest::keyClick(row->nameEditor(), Qt::Key_Return);
    EXPECT_FALSE(row->isRenaming());
    ASSERT_EQ(renamed.count(), 1);
    EXPECT_EQ(renamed[0][0].value<Uuid>(), a.id);
    EXPECT_EQ(renamed[0][1].value<std::string>(), "Alpha warm");

    // Escape, an unchanged name or only blanks ask for nothing.
    QTest::mouseDClick(row->nameLabel(), Qt::LeftButton);
    ASSERT_TRUE(row->isRenaming());
    row->nameEditor()->setText(QStringLiteral("Other"));
    QTest::keyClick(row->nameEditor(), Qt::Key_Escape);
    EXPECT_FALSE(row->isRenaming());
    for (const char* typed : {" Alpha ", "  "}) {
        row->beginRename();
        row->nameEditor()->setText(QString::fromUtf8(typed));
        QTest::keyClick(row->nameEditor(), Qt::Key_Return);
    }
    EXPECT_EQ(renamed.count(), 1);
    EXPECT_EQ(applied.count() + deleted.count() + toggled.count(), 0);
}

TEST_F(SnapshotListTest, RowsAndTheDialogFitTheSidebarInEveryLanguage) {
    SnapshotItem longName = snapshot("A very long snapshot name that cannot fit the sidebar column", 1);
    const SnapshotItem other = snapshot("Other", 3);
    for (AppLanguage language : kAllAppLanguages) {
        test::ScopedLanguage scoped(language);
        show({longName, other}, other.id);
        view.resize(240, 520);
        QCoreApplication::processEvents();
        EXPECT_EQ(describeLayoutIssues(findLayoutIssues(view)).toStdString(), "") << rawValue(language);
        view.openCreateDialog();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.createDialog()));
        EXPECT_EQ(describeLayoutIssues(findLayoutIssues(*view.createDialog())).toStdString(), "") << rawValue(language);
        if (language == AppLanguage::de) {
            test::saveShot(view, QStringLiteral("snapshots-de"));
            test::saveShot(*view.createDialog(), QStringLiteral("snapshots-create-de"));
        }
        view.closeCreateDialog();
        show({});
        EXPECT_EQ(describeLayoutIssues(findLayoutIssues(view)).toStdString(), "") << rawValue(language);
    }
}

}  // namespace
}  // namespace vantrel
