#pragma once
// Helpers of the panel tests: a dark page to place a panel on as the inspector
// does, choosing from a popup menu with the pointer, a double click as a
// pointer makes it, and a slider dragged to a value.
#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPalette>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "views/kit/DarkroomTheme.h"
#include "ViewTestSupport.h"
#include "views/kit/ProSlider.h"

namespace vantrel::test {

struct DarkPage {
    QWidget widget;
    QVBoxLayout* column = new QVBoxLayout(&widget);
    DarkPage() {
        fillGround(widget, DarkroomTheme::panelBackground());
        column->setContentsMargins(12, 12, 12, 12);
    }
    template <typename W>
    W* add(W* w) {
        column->addWidget(w);
        return w;
    }
};

// A picture of the widget once its pending layout work is done (a title that
// turned bold asks for more room on the next turn of the event loop).
inline void shot(QWidget& widget, const QString& name) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    saveShot(widget, name);
}

// Clicks the item of an open menu; false when the menu did not open or has no such item.
// A menu that deletes itself on closing may be gone afterwards.
inline bool clickMenuItem(QMenu* menu, QAction* action) {
    const QPointer<QMenu> open(menu);
    if (!open || !action || !QTest::qWaitFor([&] { return open && open->isVisible(); }, 2000)) return false;
    const QRect place = open->actionGeometry(action);
    if (place.isEmpty()) return false;
    QTest::mouseClick(open, Qt::LeftButton, {}, place.center());
    return QTest::qWaitFor([&] { return !open || !open->isVisible(); }, 2000);
}

// Press, release, then the double-click event and its release, as the window system sends them.
inline void doubleClick(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

// The track position of a value (the thumb's centre).
inline QPoint trackPoint(const ProSlider& slider, double fraction) {
    const QWidget* track = slider.track();
    const double x = ProSlider::kThumbSize / 2 + fraction * (track->width() - ProSlider::kThumbSize);
    return {int(std::lround(x)), track->height() / 2};
}

// Drags a slider's thumb from its place to `fraction` of the track in `steps` moves.
inline void dragSlider(ProSlider& slider, double fraction, int steps = 3) {
    QWidget* track = slider.track();
    const QPoint from = trackPoint(slider, slider.fraction());
    const QPoint to = trackPoint(slider, fraction);
    QTest::mousePress(track, Qt::LeftButton, {}, from);
    for (int i = 1; i <= steps; ++i) QTest::mouseMove(track, from + (to - from) * i / steps);
    QTest::mouseRelease(track, Qt::LeftButton, {}, to);
}

}  // namespace vantrel::test
