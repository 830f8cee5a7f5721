#pragma once
// ChipGrid: the chips of one choice in as few rows as their whole texts allow.
// Rows hold equal numbers of chips (at most `maxColumns`), filled in order;
// the chips of a row share its width equally when each text fits that share,
// else in proportion to their texts. A language with longer names takes more
// rows instead of cutting them, so the grid's height follows its width.
//
// As ChipRow: setSelected() marks the chip of the current value without
// emitting; a click emits chosen() once with the chip's identifier, also when
// it is already selected. Chips are named "<grid name>.<id>". With a track, the
// chips sit on one rounded fill (a segmented picker).
#include <vector>

#include <QString>
#include <QWidget>

#include "views/kit/ChipRow.h"

namespace vantrel {

class ChipGrid final : public QWidget {
    Q_OBJECT

public:
    ChipGrid(const QString& name, const std::vector<ChipItem>& items, const ChipStyle& style, int maxColumns,
             int spacing = 5, QWidget* parent = nullptr);

    void setSelected(const QString& id);
    QString selected() const;
    void setText(const QString& id, const QString& text);
    // A rounded fill behind all chips, padded by `padding`.
    void setTrack(double padding, double radius);

    Chip* chip(const QString& id) const;
    const std::vector<Chip*>& chips() const { return chips_; }
    // The rows at a width: how many chips each holds.
    std::vector<int> rowsFor(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

Q_SIGNALS:
    void chosen(const QString& id);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    int rowHeight() const;
    int inset() const { return int(trackPadding_); }
    void place();

    std::vector<QString> ids_;
    std::vector<Chip*> chips_;
    int maxColumns_;
    int spacing_;
    double trackPadding_ = 0;
    double trackRadius_ = 0;
    bool track_ = false;
};

}  // namespace vantrel
