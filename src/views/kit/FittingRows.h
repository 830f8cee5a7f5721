#pragma once
// Rows of controls that keep to the width they are given: a row of buttons
// that drops every label for the icons when the labels do not all fit, and a
// row of small links that wraps onto more lines.
#include <vector>

#include <QIcon>
#include <QLayout>
#include <QWidget>

class QPushButton;

namespace vantrel {

// Buttons side by side showing their labels while every label fits, and only
// their icons otherwise, each label then in its button's tooltip. Natural
// widths keep each button at its own size, centred; equal widths share the
// row out evenly. A row may drop the icons first and keep the labels while
// they fit alone; it then owns its buttons' icons. A row whose labels may wrap
// tries them on two lines before it falls back to the icons.
class IconFallbackRow : public QWidget {
    Q_OBJECT

public:
    enum class Widths { natural, equal };
    enum class Shows { iconsAndLabels, labels, twoLineLabels, icons };
    IconFallbackRow(Widths widths, int spacing, QWidget* parent = nullptr);
    void setIconsGiveWayFirst(bool first);
    void setLabelsMayWrap(bool wrap);

    void addButton(QPushButton* button);
    // A button's label and help text; the tooltip is the help text, with the
    // label on a line of its own while only the icon shows.
    void setLabel(QPushButton* button, const QString& label, const QString& help);
    const QString& label(const QPushButton* button) const;
    bool isCompact() const { return shows_ == Shows::icons; }
    Shows shows() const { return shows_; }

    // Room for every label; at least every icon.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Entry {
        QPushButton* button;
        QIcon icon;
        QString label;
        QString help;
    };
    QSize rowSize(Shows shows) const;
    // What the buttons of `entry` show in `shows`: its label (or none) and its icon (or none).
    QString textIn(const Entry& entry, Shows shows) const;
    QIcon iconIn(const Entry& entry, Shows shows) const;
    void apply();

    Widths widths_;
    int spacing_;
    bool iconsFirst_ = false;
    bool labelsWrap_ = false;
    std::vector<Entry> entries_;
    Shows shows_ = Shows::iconsAndLabels;
};

// A flow of widgets in lines with `gap` between neighbours, so that a row of
// chips keeps long translations whole; a widget wider than the whole width is
// narrowed to it. Lines are centred, or start at the left with
// setLineAlignment(Qt::AlignLeft); items are centred on their line's height.
class WrappingLayout : public QLayout {
    Q_OBJECT

public:
    WrappingLayout(int gap, int lineSpacing, QWidget* parent = nullptr);
    ~WrappingLayout() override;
    void setGap(int gap);
    void setLineAlignment(Qt::Alignment alignment);

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(items_.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in `rect` (or only measures) and returns the height used.
    int arrange(const QRect& rect, bool place) const;

    std::vector<QLayoutItem*> items_;
    int gap_;
    int lineSpacing_;
    Qt::Alignment lineAlignment_ = Qt::AlignHCenter;
};

// Small links in centred lines with a dot between neighbours on one line; they
// wrap onto more lines rather than widen the column.
class LinkRow : public QWidget {
    Q_OBJECT

public:
    explicit LinkRow(QWidget* parent = nullptr);
    void addLink(QPushButton* link);
    // The number of lines the shown links take now.
    int lineCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    WrappingLayout* layout_;
    std::vector<QPushButton*> links_;
};

}  // namespace vantrel
