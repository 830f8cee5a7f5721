#pragma once
// Helpers for the offscreen view tests: show and grab a widget, read pixels,
// drive drags the way a pointer does, count binding writes, switch the
// interface language for a test, and save pictures to look at.
//
// Animations are off in this test program (see ViewTestSupport.cpp), so a
// spring lands on its target at once and pixel checks do not depend on time.
#include <memory>
#include <vector>

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <gtest/gtest.h>

#include "model/Binding.h"
#include "services/AppLanguage.h"

class QWidget;

namespace vantrel::test {

// Resizes (when a size is given), shows and waits until the window is exposed.
// False when it never was.
bool showExposed(QWidget& widget, QSize size = {});

// Shown within its window (whether or not the window itself is shown).
bool shown(const QWidget* widget);
// Runs the layout requests that a change of texts or rows posts, one widget level a pass.
void settleLayouts();

// Fills the widget with `colour` behind what it draws (a page, or a photo behind an overlay).
void fillGround(QWidget& widget, const QColor& colour);
// The inspector's dark ground, with the primary text colour, behind a view as in the window.
void darkGround(QWidget& widget);

// An image of one colour (RGBA8888 premultiplied).
QImage filledImage(QSize size, const QColor& colour);

// The widget as an image in logical pixels (ARGB32 premultiplied).
QImage grabImage(QWidget& widget);
QColor pixelAt(const QImage& image, QPoint point);
QColor pixelAt(QWidget& widget, QPoint point);

// Passes when every channel (alpha included) is within `tolerance` of the other's.
::testing::AssertionResult colourNear(const QColor& actual, const QColor& expected, int tolerance = 2);

// Press at `from`, moves in `steps` equal steps to `to` (each delivered with the
// button held), release at `to`. The points are in the widget's coordinates.
void drag(QWidget* widget, QPoint from, QPoint to, int steps = 4, Qt::KeyboardModifiers modifiers = {});
// The same along given points: press at the first, a move to each next one, release at the last.
void dragAlong(QWidget* widget, const std::vector<QPoint>& points, Qt::KeyboardModifiers modifiers = {});

// A value behind a binding that counts the binding's writes.
template <typename T>
struct CountedValue {
    std::shared_ptr<T> value;
    std::shared_ptr<int> writes = std::make_shared<int>(0);

    explicit CountedValue(T initial = T{}) : value(std::make_shared<T>(std::move(initial))) {}
    Binding<T> binding() const {
        return Binding<T>([v = value] { return *v; },
                          [v = value, w = writes](const T& x) {
                              *v = x;
                              ++*w;
                          });
    }
    int writeCount() const { return *writes; }
};

// The interface language for one scope; English again afterwards.
class ScopedLanguage {
public:
    explicit ScopedLanguage(AppLanguage language);
    ~ScopedLanguage();
    ScopedLanguage(const ScopedLanguage&) = delete;
    ScopedLanguage& operator=(const ScopedLanguage&) = delete;
};

// Saves the image as <dir>/<name>.png when VANTREL_VIEW_SHOTS names a folder,
// for looking at what a test drew; returns the path, or empty when not saved.
QString saveShot(const QImage& image, const QString& name);
QString saveShot(QWidget& widget, const QString& name);

}  // namespace vantrel::test
