#pragma once
// PanelHeader: the first row of an inspector panel: its symbol (tinted while
// the panel is active, secondary otherwise), its bold title, and at the right
// a reset button shown only while the panel is active and, for records with an
// on/off flag, a switch.
//
// refresh() sets the state from the record and never emits; a click on reset
// emits resetRequested() once, a flip of the switch switchToggled() once.
// Children are named "<name>.symbol", "<name>.title", "<name>.reset" and
// "<name>.switch"; the header itself "<name>.header".
#include <string>

#include <QColor>
#include <QString>
#include <QWidget>

namespace vantrel {

class Chip;
class ElidedLabel;
class SymbolView;
class ToggleSwitch;

class PanelHeader final : public QWidget {
    Q_OBJECT

public:
    enum class ResetLabel {
        Standard,  // 10-pixel medium text
        Small,     // 9-pixel regular text
    };

    struct Options {
        std::string symbol;  // none when empty
        QColor activeColor;  // the symbol's tint while active; default the accent colour
        ResetLabel resetLabel = ResetLabel::Standard;
        bool hasSwitch = false;
    };

    PanelHeader(const QString& name, const QString& title, const Options& options, QWidget* parent = nullptr);

    // Active: the symbol takes its tint and the reset shows. The switch shows `switchOn`.
    void refresh(bool active, bool switchOn = false);
    // A new title; the reset's label and tooltip are looked up again (language change).
    void setTitle(const QString& title);

    bool isActive() const { return active_; }
    Chip* resetButton() const { return reset_; }
    ToggleSwitch* enableSwitch() const { return switch_; }
    ElidedLabel* titleLabel() const { return title_; }
    SymbolView* symbolView() const { return symbol_; }

Q_SIGNALS:
    void resetRequested();
    void switchToggled(bool on);

private:
    Options options_;
    bool active_ = false;
    SymbolView* symbol_ = nullptr;
    ElidedLabel* title_ = nullptr;
    Chip* reset_ = nullptr;
    ToggleSwitch* switch_ = nullptr;
};

}  // namespace vantrel
