#pragma once
// Small pieces the mask tools share: the exposure pill, symbol buttons, the add
// buttons and bordered buttons drawn as chips, and the slider rows of a mask's values.
#include <functional>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QWidget>

#include "model/Binding.h"
#include "views/masks/MaskEditing.h"
#include "views/kit/BusyIndicator.h"
#include "views/kit/Chip.h"
#include "views/kit/FieldSlider.h"

namespace vantrel {

// "+0.35 EV" on a small rounded fill; its colours tell whether the value is
// away from zero.
class ExposureReadout final : public QWidget {
    Q_OBJECT

public:
    enum class Look {
        Bar,      // bold; accent text when away from zero, always on white 0.06
        Display,  // medium; accent text on accent 0.18 when away from zero
    };
    explicit ExposureReadout(Look look, QWidget* parent = nullptr);

    // Repaints only on a change; never emits.
    void setExposure(double exposure);
    QString text() const { return text_; }
    bool standsOut() const { return standsOut_; }
    QColor textColor() const;
    QColor fillColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont font() const;

    Look look_;
    QString text_;
    bool standsOut_ = false;
};

// A plain text button with a chevron after it: the display's expand button.
// A text too long for its width wraps onto more lines (its height follows its
// width); only where they find no room is it shortened with an ellipsis (the
// whole text then its tooltip).
class DisclosureButton final : public QAbstractButton {
    Q_OBJECT

public:
    explicit DisclosureButton(QWidget* parent = nullptr);
    void setExpanded(bool expanded);
    bool isExpanded() const { return expanded_; }
    // The text as drawn, one line of it a line.
    QString shownText() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QStringList linesAt(int width) const;
    int lineHeight() const;
    bool isCut() const;  // its lines find no room: one line, elided
    QStringList shownLines() const;

    bool expanded_ = false;
};

// The prominent button that starts a long task: a symbol and a text, or
// while the task runs a turning progress mark and another text (disabled).
class ProgressButton final : public QAbstractButton {
    Q_OBJECT

public:
    explicit ProgressButton(QWidget* parent = nullptr);
    void setSymbol(const std::string& symbol);
    // Shows the progress mark instead of the symbol; turns while shown.
    void setBusy(bool busy);
    bool isBusy() const { return turning_.isBusy(); }
    QString shownText() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string symbol_;
    TurningPhase turning_{*this, 80};
};

// A plain button showing one symbol (no text); the owner sets its tooltip.
Chip* symbolButton(const QString& objectName, const std::string& symbol, double pixels, const QColor& colour);
// The add buttons of the mask kinds, in the table's order: named "<owner>.add<Tag>", each with
// its kind's symbol (the owner sets the texts); a click calls `add` with the button's kind.
struct MaskAddButton {
    MaskKind kind;
    Chip* chip;
};
std::vector<MaskAddButton> maskAddButtons(const QString& owner, const ChipStyle& style, QObject* context,
                                          std::function<void(MaskKind)> add);
Chip* addButtonOf(const std::vector<MaskAddButton>& buttons, MaskKind kind);
// A bordered button: a light rounded fill behind a symbol and a text.
ChipStyle borderedChip(double pixels, QFont::Weight weight);
// The prominent button of a bar or card: white text on the accent colour.
ChipStyle prominentChip(double pixels, QFont::Weight weight);

// The outline of a rounded rectangle `width` points wide, centred on its edge,
// as a shape to fill: filling is far cheaper than stroking for the raster engine.
QPainterPath roundedOutline(const QRectF& rect, double radius, double width);

// A slider row for the value `row` of the mask of its type with the identifier `id()`, named
// by the row's title key. A change writes the masks once, then calls `afterChange`; nothing is
// written when the mask is gone or the value unchanged.
template <class Mask>
ProSlider* maskSlider(const Binding<MaskGroupParameters>& masks, std::function<std::optional<Uuid>()> id,
                      const ScalarParameter<Mask>& row, std::function<void()> afterChange) {
    double Mask::*member = row.member;
    Binding<double> value([masks, id, member] { return maskValue(masks.get(), id(), member).value_or(0); },
                          [masks, id, member, afterChange](const double& v) {
                              MaskGroupParameters changed = masks.get();
                              const std::optional<Uuid> at = id();
                              const std::optional<double> current = maskValue(changed, at, member);
                              if (!current || *current == v) return;  // gone meanwhile, or nothing new
                              setMaskValue(changed, at, member, v);
                              masks.set(changed);
                              afterChange();
                          });
    ProSlider* slider = rowSlider(row, std::move(value), rowTint(row.accent));
    slider->setObjectName(QString::fromUtf8(row.label));
    return slider;
}

}  // namespace vantrel
