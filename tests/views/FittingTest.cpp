// Texts and rows that give way in a fixed width: eliding labels, buttons that
// elide or fall back to their icon, rows that drop their labels together or
// wrap, and the slider row whose title gives way to its read-out.
#include <memory>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "views/kit/FittingRows.h"
#include "views/kit/FittingText.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/ProSlider.h"

namespace vantrel {
namespace {

const QChar kEllipsis(0x2026);

// A shown top-level holder `width` wide, laid out at once.
struct Holder {
    std::unique_ptr<QWidget> widget = std::make_unique<QWidget>();
    QVBoxLayout* column = new QVBoxLayout(widget.get());

    explicit Holder(int width) {
        column->setContentsMargins(0, 0, 0, 0);
        widget->setFixedSize(width, 400);
    }
    void show() {
        widget->show();
        settle();
    }
    void resize(int width) {
        widget->setFixedSize(width, 400);
        settle();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
};

QIcon someIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::white);
    return QIcon(pixmap);
}

TEST(FittingTest, LabelElidesOneLineOrWrapsAndElidesTheLast) {
    Holder holder(120);
    auto* one = new FittingLabel;
    one->setFullText("Farbtemperatur und Tönung des Bildes");
    one->setHelp("Double-click to reset");
    auto* two = new FittingLabel;
    two->setMaximumLines(2);
    two->setFullText("Warme Hauttöne, angehobene matte Schatten, Film-S-Kurve und noch viel mehr");
    holder.column->addWidget(one);
    holder.column->addWidget(two);
    holder.column->addStretch(1);
    // Hidden, the whole text stands.
    EXPECT_EQ(one->text(), one->fullText());
    holder.show();

    EXPECT_TRUE(one->isElided());
    EXPECT_TRUE(one->text().endsWith(kEllipsis));
    EXPECT_LE(one->fontMetrics().horizontalAdvance(one->text()), one->contentsRect().width());
    EXPECT_EQ(one->toolTip(), "Double-click to reset\nFarbtemperatur und Tönung des Bildes");
    // Asks for the whole text, gives way to almost nothing.
    EXPECT_GT(one->sizeHint().width(), 120);
    EXPECT_LT(one->minimumSizeHint().width(), 40);

    EXPECT_TRUE(two->isElided());
    EXPECT_EQ(two->text().count('\n'), 1);
    EXPECT_TRUE(two->text().endsWith(kEllipsis));
    EXPECT_EQ(two->toolTip(), two->fullText());
    EXPECT_GE(two->height(), two->heightForWidth(two->width()));
    for (const QString& line : two->text().split('\n'))
        EXPECT_LE(two->fontMetrics().horizontalAdvance(line), two->contentsRect().width()) << line.toStdString();

    // Wide enough: whole, with the help alone as tooltip; a short text keeps to one line.
    holder.resize(600);
    EXPECT_FALSE(one->isElided());
    EXPECT_EQ(one->text(), one->fullText());
    EXPECT_EQ(one->toolTip(), "Double-click to reset");
    EXPECT_FALSE(two->isElided());
    EXPECT_EQ(two->text(), two->fullText());
    EXPECT_EQ(two->toolTip(), "");

    // A paragraph break counts as a line.
    two->setFullText("First\nSecond\nThird");
    EXPECT_EQ(two->text(), "First\nSecond" + QString(kEllipsis));
    EXPECT_TRUE(two->isElided());
}

// A long path folds within a wrapping label's width, only between whole characters.
TEST(FittingTest, BreakableTextFoldsLongRunsBetweenWholeCharactersOnly) {
    const QChar zeroWidthSpace(0x200B);
    EXPECT_EQ(breakableText("Export failed: short words stay whole"), "Export failed: short words stay whole");
    const QString name = "/scans/" + QString(11, 'A') + QString::fromUtf8("\U0001F39E") + QString(11, 'B') +
                         QString::fromUtf8("e\u0301") + QString(40, 'C') + ".tif";
    const QString broken = breakableText(name);
    EXPECT_EQ(QString(broken).remove(zeroWidthSpace), name);
    for (qsizetype i = 1; i + 1 < broken.size(); ++i) {
        if (broken[i] != zeroWidthSpace) continue;
        EXPECT_FALSE(broken[i - 1].isHighSurrogate()) << i;
        EXPECT_FALSE(broken[i + 1].isMark()) << i;
    }
    const QFontMetrics metrics(QApplication::font());
    EXPECT_GT(metrics.horizontalAdvance(name), 150);
    EXPECT_LE(metrics.boundingRect(QRect(0, 0, 150, 10000), Qt::TextWordWrap, broken).width(), 150);
}

TEST(FittingTest, ButtonsMeasureAsQtDoesAndElideOrFallBackToTheirIcon) {
    // The size asked for another text is the size the button asks for with it.
    QPushButton plain(someIcon(), "Auf Rolle übertragen ...");
    plain.setStyleSheet("QPushButton { font-size: 11px; padding: 3px; }");
    QPushButton styled("Zurücksetzen");
    for (QPushButton* button : {&plain, &styled}) {
        const QString text = button->text();
        EXPECT_EQ(buttonSizeFor(*button, text), button->sizeHint()) << text.toStdString();
        // At its own size the text has its room; narrower it has not.
        EXPECT_GE(buttonTextRoom(*button, button->sizeHint()).width(), button->fontMetrics().horizontalAdvance(text));
    }

    Holder holder(100);
    auto* elide = new FittingButton(FittingButton::Fit::elide, someIcon());
    elide->setFullText("Einstellungen kopieren");
    elide->setHelp("Einstellungen kopieren");
    auto* icon = new FittingButton(FittingButton::Fit::iconOnly, someIcon());
    icon->setFullText("Filmordner öffnen");
    holder.column->addWidget(elide);
    holder.column->addWidget(icon);
    holder.column->addStretch(1);
    holder.show();
    EXPECT_TRUE(elide->isCut());
    EXPECT_TRUE(elide->text().endsWith(kEllipsis));
    EXPECT_LE(elide->fontMetrics().horizontalAdvance(elide->text()), buttonTextRoom(*elide, elide->size()).width());
    EXPECT_EQ(elide->toolTip(), "Einstellungen kopieren");  // the help already holds it
    EXPECT_EQ(icon->text(), "");
    EXPECT_EQ(icon->toolTip(), "Filmordner öffnen");
    EXPECT_EQ(icon->sizeHint(), buttonSizeFor(*icon, "Filmordner öffnen"));

    holder.resize(400);
    EXPECT_FALSE(elide->isCut());
    EXPECT_EQ(icon->text(), "Filmordner öffnen");
    EXPECT_EQ(icon->toolTip(), "");
}

TEST(FittingTest, IconRowDropsEveryLabelTogetherAndKeepsThemInTheTooltips) {
    Holder holder(600);
    auto* row = new IconFallbackRow(IconFallbackRow::Widths::equal, 8);
    std::vector<QPushButton*> buttons;
    for (const char* label : {"-90° drehen", "+90° drehen", "Horizontal spiegeln"}) {
        auto* button = new QPushButton(someIcon(), {});
        row->addButton(button);
        row->setLabel(button, label, label);
        buttons.push_back(button);
    }
    holder.column->addWidget(row);
    holder.column->addStretch(1);
    holder.show();
    EXPECT_FALSE(row->isCompact());
    EXPECT_EQ(buttons[2]->text(), "Horizontal spiegeln");
    EXPECT_EQ(buttons[0]->width(), buttons[2]->width());  // equal shares

    // One label too long for its share: every label takes two lines, and only where even
    // those find no room does every button show its icon alone.
    row->setLabelsMayWrap(true);
    const int share = buttonSizeFor(*buttons[2], "Horizontal spiegeln").width();
    holder.resize(3 * share + 16 - 3);
    EXPECT_EQ(row->shows(), IconFallbackRow::Shows::twoLineLabels);
    EXPECT_EQ(buttons[2]->text(), "Horizontal\nspiegeln");
    EXPECT_EQ(buttons[0]->text(), "-90°\ndrehen");
    EXPECT_EQ(buttons[2]->toolTip(), "Horizontal spiegeln");
    EXPECT_GT(buttons[2]->height(), buttons[2]->fontMetrics().height() * 2);
    EXPECT_EQ(describeLayoutIssues(findLayoutIssues(*holder.widget)).toStdString(), "");
    const int twoLineShare = buttonSizeFor(*buttons[2], "Horizontal\nspiegeln").width();
    holder.resize(3 * twoLineShare + 16 - 3);
    EXPECT_TRUE(row->isCompact());
    for (QPushButton* button : buttons) {
        EXPECT_EQ(button->text(), "");
        EXPECT_EQ(button->toolTip(), row->label(button));
    }
    holder.resize(3 * share + 16);
    EXPECT_FALSE(row->isCompact());
    EXPECT_EQ(buttons[0]->text(), "-90° drehen");

    // A row whose icons give way first keeps its labels a little longer.
    row->setIconsGiveWayFirst(true);
    const int labelsAlone = 3 * buttonSizeFor(*buttons[2], "Horizontal spiegeln", QIcon()).width() + 16;
    holder.resize(labelsAlone);
    EXPECT_EQ(row->shows(), IconFallbackRow::Shows::labels);
    EXPECT_EQ(buttons[2]->text(), "Horizontal spiegeln");
    EXPECT_TRUE(buttons[2]->icon().isNull());
    EXPECT_EQ(describeLayoutIssues(findLayoutIssues(*holder.widget)).toStdString(), "");
    holder.resize(labelsAlone - 3);
    EXPECT_EQ(row->shows(), IconFallbackRow::Shows::twoLineLabels);
    EXPECT_TRUE(buttons[2]->icon().isNull());
    holder.resize(3 * buttonSizeFor(*buttons[2], "Horizontal\nspiegeln", QIcon()).width() + 16 - 3);
    EXPECT_EQ(row->shows(), IconFallbackRow::Shows::icons);
    EXPECT_FALSE(buttons[2]->icon().isNull());
    EXPECT_EQ(buttons[2]->text(), "");
    holder.resize(600);
    EXPECT_EQ(row->shows(), IconFallbackRow::Shows::iconsAndLabels);
    EXPECT_FALSE(buttons[0]->icon().isNull());

    // A help text that differs from the label keeps both.
    row->setLabel(buttons[0], "Fertig", "Zuschneiden");
    holder.resize(60);
    EXPECT_EQ(buttons[0]->toolTip(), "Zuschneiden\nFertig");
}

TEST(FittingTest, LinkRowWrapsOntoMoreLinesAndElidesALinkWiderThanTheRow) {
    Holder holder(400);
    auto* row = new LinkRow;
    std::vector<FittingButton*> links;
    for (const char* text : {"Tout sélectionner (3)", "Inverser la sélection", "Effacer la sélection"}) {
        auto* link = new FittingButton(FittingButton::Fit::elide);
        link->setFlat(true);
        link->setStyleSheet("QPushButton { border: none; font-size: 10px; }");
        link->setFullText(text);
        row->addLink(link);
        links.push_back(link);
    }
    holder.column->addWidget(row);
    holder.column->addStretch(1);
    holder.show();
    EXPECT_EQ(row->lineCount(), 1);
    const int oneLine = row->height();

    holder.resize(216);
    EXPECT_GE(row->lineCount(), 2);
    EXPECT_GT(row->height(), oneLine);
    for (FittingButton* link : links) {
        EXPECT_FALSE(link->isCut());
        EXPECT_GE(link->geometry().left(), 0);
        EXPECT_LE(link->geometry().right(), row->width() - 1);
    }

    // A hidden link leaves the flow; a link wider than the row is elided.
    links[2]->hide();
    links[0]->setFullText("Tout sélectionner dans la pellicule entière, même les vues cachées (3)");
    Holder::settle();
    EXPECT_TRUE(links[0]->isCut());
    EXPECT_LE(links[0]->width(), row->width());
    EXPECT_EQ(links[0]->toolTip(), links[0]->fullText());
}

TEST(FittingTest, SliderTitleGivesWayToTheWholeReadout) {
    Holder holder(150);
    auto value = std::make_shared<double>(0);
    auto* slider = new ProSlider("Tönung der ganzen Aufnahme",
                                 Binding<double>([value] { return *value; }, [value](const double& v) { *value = v; }),
                                 {-100, 100}, 0, 1, "%.0f");
    holder.column->addWidget(slider);
    holder.column->addStretch(1);
    holder.show();
    EXPECT_TRUE(slider->titleLabel()->isElided());
    EXPECT_TRUE(slider->titleLabel()->toolTip().startsWith("Double-click to reset to default (0)"));
    EXPECT_TRUE(slider->titleLabel()->toolTip().endsWith("Tönung der ganzen Aufnahme"));
    // The read-out keeps room for the widest value of the range, not only for "0".
    EXPECT_EQ(slider->readout()->text(), "0");
    EXPECT_GE(slider->readout()->width(), buttonSizeFor(*slider->readout(), "-100").width());
    EXPECT_LE(slider->readout()->geometry().right(), slider->width() - 1);
}

}  // namespace
}  // namespace vantrel
