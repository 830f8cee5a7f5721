#pragma once
// DarkroomTheme: the fixed greys and translucent whites every surface of the
// dark interface is painted with, and the application-wide dark look (Fusion
// style with a dark palette). Each colour is made once, on first use.
#include <QColor>

class QApplication;

namespace vantrel {

struct DarkroomTheme {
    static const QColor& raisedBackground();     // canvas area, split comparison
    static const QColor& panelBackground();      // sidebar, inspector, dialogs
    static const QColor& windowBackground();     // top bar, snapshot list, culling bar
    static const QColor& filmstripBackground();  // filmstrip
    static const QColor& floatingPanelFill();    // floating bars and HUDs over the image
    static const QColor& separator();            // 1-pt lines between regions
    static const QColor& floatingPanelBorder();  // outline of the floating bars

    // The accent of selections, fills and highlights.
    static const QColor& accent();

    // Fusion style and a dark palette built from the colours above.
    static void apply(QApplication& application);
};

}  // namespace vantrel
