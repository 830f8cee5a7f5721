#pragma once
// TopBar: the first row of the window. The application's name, the open-folder
// button, the five mode buttons (crop, retouch, mask, zoom, shooting
// information) with their active states, the language menu and the export
// button. refresh() re-reads every label, state and tooltip.
#include <QString>
#include <QWidget>

#include "views/kit/ViewBasics.h"

class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;

class QAction;

namespace vantrel {

class DarkroomViewModel;
class IconFallbackRow;
class LocalizationManager;

class TopBar final : public QWidget, public RefreshableView {
public:
    TopBar(DarkroomViewModel& vm, LocalizationManager& localization, QWidget* parent = nullptr);
    void refresh() override;

    static constexpr double kZoomActiveAbove = 1.05;

    QPushButton* openFolderButton() const { return openFolder_; }
    QPushButton* cropButton() const { return crop_; }
    QPushButton* retouchButton() const { return retouch_; }
    QPushButton* maskButton() const { return mask_; }
    QPushButton* zoomButton() const { return zoom_; }
    QPushButton* infoButton() const { return info_; }
    QToolButton* languageButton() const { return language_; }
    QPushButton* exportButton() const { return export_; }
    // A mode button's active look.
    static bool isActive(const QPushButton* button);
    // The follow-the-system item of the language menu: the globe emoji before its
    // text when a font has it, else our drawn globe as its icon; marked while chosen
    // (the property "currentChoice" says which item is).
    static void decorateFollowItem(QAction& item, bool following, bool globeGlyph);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitFolderLabel();
    void setMode(QPushButton* button, bool active, const QString& text, const char* tooltip);
    void rebuildLanguageMenu();

    DarkroomViewModel& vm_;
    LocalizationManager& localization_;
    QHBoxLayout* titleGroup_;
    QPushButton* openFolder_;
    QString folderLabel_;
    IconFallbackRow* modes_;
    QPushButton* crop_;
    QPushButton* retouch_;
    QPushButton* mask_;
    QPushButton* zoom_;
    QPushButton* info_;
    QToolButton* language_;
    QPushButton* export_;
};

}  // namespace vantrel
