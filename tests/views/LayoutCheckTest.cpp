// The layout checker finds what a widget tree cuts off, and only that.
#include <memory>

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "views/kit/FittingText.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/ProSlider.h"

namespace vantrel {
namespace {

QIcon someIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::white);
    return QIcon(pixmap);
}

std::string issuesOf(const QWidget& root) { return describeLayoutIssues(findLayoutIssues(root)).toStdString(); }

void settle(QWidget& root) {
    root.show();
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

TEST(LayoutCheckTest, FindsTextsCutByTheirWidth) {
    QWidget root;
    root.setFixedSize(300, 200);
    auto* label = new QLabel("Rauschreduzierung der Aufnahme", &root);
    label->setGeometry(0, 0, 60, 20);
    auto* button = new QPushButton("Einstellungen kopieren", &root);
    button->setGeometry(0, 30, 60, 30);
    auto* wrapped = new QLabel("Warme Hauttöne, angehobene matte Schatten, Film-S-Kurve", &root);
    wrapped->setWordWrap(true);
    wrapped->setGeometry(0, 70, 120, 14);  // room for one line of three
    settle(root);

    const std::string issues = issuesOf(root);
    EXPECT_NE(issues.find("\"Rauschreduzierung der Aufnahme\" needs"), std::string::npos) << issues;
    EXPECT_NE(issues.find("\"Einstellungen kopieren\" needs"), std::string::npos) << issues;
    EXPECT_NE(issues.find("\"Warme Hauttöne"), std::string::npos) << issues;

    // Given their room, nothing is reported.
    label->setGeometry(0, 0, label->sizeHint().width(), 20);
    button->setGeometry(0, 30, button->sizeHint().width(), 30);
    wrapped->setGeometry(0, 70, 120, wrapped->heightForWidth(120));
    EXPECT_EQ(issuesOf(root), "");
}

TEST(LayoutCheckTest, AnElidedTextNeedsItsWholeTextInTheTooltipAndAnIconButtonATooltip) {
    QWidget root;
    root.setFixedSize(300, 100);
    auto* label = new QLabel(QStringLiteral("Farbtempe…"), &root);
    label->setGeometry(0, 0, 200, 20);
    auto* icon = new QPushButton(someIcon(), {}, &root);
    icon->setGeometry(0, 30, 40, 30);
    settle(root);
    std::string issues = issuesOf(root);
    EXPECT_NE(issues.find("is elided but its tooltip"), std::string::npos) << issues;
    EXPECT_NE(issues.find("shows only its icon and has no tooltip"), std::string::npos) << issues;

    label->setToolTip("Doppelklicken zum Zurücksetzen\nFarbtemperatur");
    icon->setToolTip("Drehen");
    EXPECT_EQ(issuesOf(root), "");
    // A tooltip with another text does not count.
    label->setToolTip("Tönung");
    EXPECT_NE(issuesOf(root).find("is elided"), std::string::npos);

    // The kit's own eliding label passes however narrow.
    auto* elided = new FittingLabel(&root);
    elided->setFullText("Analoges Silberhalogenid-Korn");
    elided->setGeometry(0, 70, 50, 20);
    label->hide();
    QCoreApplication::processEvents();
    EXPECT_EQ(issuesOf(root), "");
}

TEST(LayoutCheckTest, FindsWidgetsPastTheirParentExceptWhereTheParentScrollsOrAllowsIt) {
    QWidget root;
    root.setFixedSize(320, 200);
    auto* column = new QWidget(&root);
    column->setGeometry(0, 0, 240, 200);
    auto* wide = new QWidget(column);
    wide->setGeometry(12, 0, 260, 20);
    settle(root);
    EXPECT_NE(issuesOf(root).find("spans x 12…272 outside its parent's width 240"), std::string::npos);
    allowOverflow(*column);
    EXPECT_EQ(issuesOf(root), "");

    // Content taller than a scroll area that scrolls vertically is fine; wider
    // than one that never scrolls sideways is not.
    QWidget other;
    other.setFixedSize(320, 200);
    auto* area = new QScrollArea(&other);
    area->setGeometry(0, 0, 320, 200);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    content->setMinimumSize(400, 900);
    area->setWidget(content);
    settle(other);
    const std::string issues = issuesOf(other);
    EXPECT_NE(issues.find("outside its parent's width"), std::string::npos) << issues;
    EXPECT_EQ(issues.find("outside its parent's height"), std::string::npos) << issues;
    content->setMinimumSize(100, 900);
    area->setWidgetResizable(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(issuesOf(other), "");

    // Hidden widgets and other windows are not looked at.
    wide->hide();
    auto* window = new QWidget(&root, Qt::Window);
    window->setGeometry(500, 500, 10, 10);
    new QLabel("A long text in a small window", window);
    EXPECT_EQ(issuesOf(root), "");
}

TEST(LayoutCheckTest, ASliderReadoutNeedsRoomForBothEndsOfItsRange) {
    QWidget root;
    auto* row = new QVBoxLayout(&root);
    double value = 0;
    auto* slider = new ProSlider("Tint", Binding<double>([&] { return value; }, [&](const double& v) { value = v; }),
                                 {-100, 100}, 0, 1, "%.0f");
    row->addWidget(slider);
    root.setFixedWidth(200);
    settle(root);
    EXPECT_EQ(issuesOf(root), "");

    // Squeezed below what "-100" needs, though "0" still fits.
    slider->readout()->setMinimumWidth(0);
    slider->readout()->setFixedWidth(slider->readout()->fontMetrics().horizontalAdvance("0") + 12);
    QCoreApplication::processEvents();
    const std::string issues = issuesOf(root);
    EXPECT_NE(issues.find("the read-out needs"), std::string::npos) << issues;
    EXPECT_NE(issues.find("\"-100\""), std::string::npos) << issues;
}

}  // namespace
}  // namespace vantrel
