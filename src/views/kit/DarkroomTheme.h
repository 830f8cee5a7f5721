#pragma once
// DarkroomTheme: the fixed greys and translucent whites every surface of the
// dark interface is painted with, and the application-wide dark look (Fusion
// style with a dark palette). Each colour is made once, on first use.
#include <QColor>
#include <QFont>
#include <QString>

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
    // The outline of a check box or radio button: at least 3:1 against every
    // dark surface, so an unticked one shows.
    static const QColor& controlOutline();

    // The accent of selections, fills and highlights.
    static const QColor& accent();

    // Fusion style (with visible check box and radio button outlines) and a
    // dark palette built from the colours above.
    static void apply(QApplication& application);

    // ---- Type sizes, translucent fills and the style sheets of the controls --
    // The window's controls take their sizes, fills and small style sheets from
    // here instead of writing literals of their own; text colours are the
    // standard ones (StandardColors.h).

    static const QColor& faintLine();    // dividers inside a column, outlines, badges
    static const QColor& restingFill();  // rows and read-outs at rest

    // Type sizes in pixels.
    struct TextSize {
        static constexpr int caption = 9;   // badges, recipe subtitles
        static constexpr int small = 10;    // links, reset links, list headers
        static constexpr int label = 11;    // section titles, tabs, side buttons, names
        static constexpr int control = 12;  // the top bar's buttons
        static constexpr int title = 14;    // the application's name
        static constexpr double slider = 10.5;  // a slider row's title and read-out
    };

    // A colour as a style sheet writes it: "#rrggbb", or rgba() when translucent.
    static QString css(const QColor& colour);
    // "font-size: …px; font-weight: …;" and the colour when one is given.
    static QString textStyle(int pixels, int weight = QFont::Normal, const QColor& colour = {});
    // The same in the secondary text colour: captions, subtitles, hints.
    static QString secondaryTextStyle(int pixels, int weight = QFont::Normal);
    static QString colorStyle(const QColor& colour);
    static QString fillStyle(const QColor& colour);
    // A borderless button in the secondary colour, dimmer while disabled.
    static QString linkStyle(int pixels);
    // The accent-coloured "Reset" of section headers.
    static QString resetLinkStyle();
    static QString borderedButtonStyle(int pixels, int weight = QFont::Normal);
    // White on the accent; grey on a faint fill while disabled.
    static QString prominentButtonStyle(int pixels, int weight, int cornerRadius, const QString& padding);
    // A mode button of the top bar: accent text on a faint accent while active.
    static QString modeButtonStyle(bool active);
    // One segment of a two-way picker.
    static QString segmentStyle();
    // A small count on a faint rounded fill.
    static QString badgeStyle();
    // A list row or card named `objectName`: accent fill and outline while active.
    static QString cardStyle(const QString& objectName, bool active);
    // A slider row's read-out: tinted while the value differs from its default.
    static QString readoutStyle(const QColor& tint, bool changed);
};

}  // namespace vantrel
