#include "views/kit/MenuButton.h"

#include <cmath>

#include <QActionGroup>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Symbols.h"

namespace vantrel {

namespace {

constexpr double kChevronGap = 3;

}  // namespace

MenuButton::Style::Style() : text(standardColor(StandardColor::PrimaryText)), fill(Qt::transparent) {}

MenuButton::Style MenuButton::Style::popup(double fontPixels) {
    Style s;
    s.fontPixels = fontPixels;
    s.fill = whiteAt(0.06);
    s.paddingX = 6;
    s.paddingY = 3;
    s.stretches = true;
    return s;
}

MenuButton::MenuButton(const QString& name, const QString& label, const std::vector<MenuItem>& items,
                       const Style& style, QWidget* parent)
    : WithFocusRing(parent), style_(style), menu_(new QMenu(this)) {
    setObjectName(name);
    setText(label);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setFont(pixelFont(style_.fontPixels));
    setSizePolicy(style_.stretches ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
    menu_->setObjectName(name + QStringLiteral(".menu"));
    menu_->setFont(pixelFont(std::max(style_.fontPixels, 11.0)));
    for (const MenuItem& item : items) {
        if (item.separatorBefore) menu_->addSeparator();
        const QColor ink = item.destructive ? standardColor(StandardColor::Red) : standardColor(StandardColor::PrimaryText);
        QAction* action = menu_->addAction(item.text);
        action->setObjectName(name + QLatin1Char('.') + item.id);
        if (!item.symbol.empty()) action->setIcon(symbolIcon(item.symbol.c_str(), ink));
        connect(action, &QAction::triggered, this, [this, id = item.id] { Q_EMIT triggered(id); });
        actions_.emplace_back(item.id, action);
    }
    connect(this, &QAbstractButton::clicked, this, &MenuButton::openMenu);
}

void MenuButton::setLabel(const QString& label) {
    if (label == text()) return;
    setText(label);
    updateGeometry();
    update();
}

void MenuButton::setItemText(const QString& id, const QString& text) {
    if (QAction* a = action(id); a && a->text() != text) a->setText(text);
}

QAction* MenuButton::action(const QString& id) const {
    for (const auto& [itemID, action] : actions_)
        if (itemID == id) return action;
    return nullptr;
}

void MenuButton::openMenu() {
    // popup(), not exec(): the event loop keeps running (refreshes, tests).
    menu_->popup(mapToGlobal(QPoint(0, height())));
}

double MenuButton::chevronWidth() const { return std::ceil(style_.fontPixels * 0.8) + kChevronGap; }

QSize MenuButton::sizeHint() const {
    const QFontMetricsF m(font());
    const double w = m.horizontalAdvance(text()) + chevronWidth() + 2 * style_.paddingX;
    const double h = m.height() + 2 * style_.paddingY;
    return {int(std::ceil(w)) + 1, int(std::ceil(h))};
}

QSize MenuButton::minimumSizeHint() const {
    if (!style_.stretches) return sizeHint();
    const QFontMetricsF m(font());
    const double w = m.horizontalAdvance(QStringLiteral("…")) * 2 + chevronWidth() + 2 * style_.paddingX;
    return {int(std::ceil(w)), sizeHint().height()};
}

QString MenuButton::shownLabel() const {
    const int room = int(width() - chevronWidth() - 2 * style_.paddingX);
    return QFontMetrics(font()).elidedText(text(), Qt::ElideRight, std::max(room, 0));
}

void MenuButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.4);
    else if (isDown()) painter.setOpacity(0.7);
    const QRectF box(rect());
    if (style_.fill.alpha() > 0) painter.fillPath(roundedRect(box, style_.radius), style_.fill);
    if (showsFocusRing())
        painter.strokePath(roundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), std::max(style_.radius, 3.0)),
                           solidPen(standardColor(StandardColor::Accent, 0.8), 1));
    const double chevron = std::ceil(style_.fontPixels * 0.8);
    const QRectF textRect(style_.paddingX, 0, box.width() - 2 * style_.paddingX - chevronWidth(), box.height());
    painter.setFont(font());
    painter.setPen(style_.text);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, shownLabel());
    const double x = box.width() - style_.paddingX - chevron;
    Symbols::paint(painter, QRectF(x, (box.height() - chevron) / 2, chevron, chevron), "chevron.down",
                   standardColor(StandardColor::SecondaryText));
}

bool MenuButton::event(QEvent* event) {
    return showWholeTextTip(*this, event, text(), [this] { return shownLabel() != text(); }) ||
           QAbstractButton::event(event);
}

MenuPicker::MenuPicker(const QString& name, const std::vector<MenuItem>& items, const Style& style, QWidget* parent)
    : MenuButton(name, items.empty() ? QString() : items.front().text, items, style, parent) {
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    for (const MenuItem& item : items) {
        QAction* a = action(item.id);
        a->setCheckable(true);
        group->addAction(a);
    }
    if (!items.empty()) setSelected(items.front().id);
    connect(this, &MenuButton::triggered, this, [this](const QString& id) {
        if (id == selected_) return;
        setSelected(id);
        Q_EMIT selectionChanged(id);
    });
}

void MenuPicker::setSelected(const QString& id) {
    QAction* chosen = action(id);
    if (!chosen) return;
    selected_ = id;
    // Checking an action of the group emits nothing of ours.
    chosen->setChecked(true);
    setLabel(chosen->text());
}

void MenuPicker::setItemText(const QString& id, const QString& text) {
    MenuButton::setItemText(id, text);
    if (id == selected_) setLabel(text);
}

}  // namespace vantrel
