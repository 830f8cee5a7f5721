#include "views/kit/Painting.h"

#include <algorithm>
#include <cmath>
#include <list>
#include <unordered_map>
#include <vector>

#include <QFontDatabase>
#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace vantrel {

QPen dashedPen(const QColor& colour, double width, std::initializer_list<double> dashesAndGaps, double dashOffset) {
    QPen pen = solidPen(colour, width);
    const double w = pen.widthF();
    QList<qreal> pattern;
    for (double d : dashesAndGaps) pattern.append(std::max(d, 0.0) / w);
    if (pattern.size() % 2 == 1) pattern.append(pattern.back());  // Qt wants dash-gap pairs
    if (!pattern.isEmpty()) pen.setDashPattern(pattern);
    pen.setDashOffset(dashOffset / w);
    return pen;
}

QPen solidPen(const QColor& colour, double width) {
    QPen pen(colour, width > 0 ? width : 1.0);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

QFont pixelFont(double pixels, QFont::Weight weight, FontDesign design) {
    QFont font = design == FontDesign::Monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                                  : QGuiApplication::font();
    const double px = std::max(pixels, 1.0);
    if (px == std::round(px)) {
        font.setPixelSize(int(px));
    } else {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
        font.setPointSizeF(px * 72.0 / (dpi > 0 ? dpi : 96.0));
    }
    font.setWeight(weight);
    return font;
}

QPainterPath roundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    const double r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    path.addRoundedRect(rect, r, r);
    return path;
}

namespace {

// Three box blurs approximate a Gaussian; done on the alpha channel only.
void boxBlurAlpha(std::vector<float>& a, int w, int h, int r) {
    if (r < 1) return;
    std::vector<float> line(std::size_t(std::max(w, h)));
    const float norm = 1.0f / float(2 * r + 1);
    auto pass = [&](int count, int length, auto index) {
        for (int c = 0; c < count; ++c) {
            float sum = 0;
            for (int i = -r; i <= r; ++i) sum += (i >= 0 && i < length) ? a[index(c, i)] : 0.0f;
            for (int i = 0; i < length; ++i) {
                line[std::size_t(i)] = sum * norm;
                const int out = i - r, in = i + r + 1;
                if (out >= 0) sum -= a[index(c, out)];
                if (in < length) sum += a[index(c, in)];
            }
            for (int i = 0; i < length; ++i) a[index(c, i)] = line[std::size_t(i)];
        }
    };
    pass(h, w, [w](int y, int x) { return std::size_t(y) * std::size_t(w) + std::size_t(x); });
    pass(w, h, [w](int x, int y) { return std::size_t(y) * std::size_t(w) + std::size_t(x); });
}

// Three standard deviations of room around the shape: the blur's visible reach.
double shadowMargin(double radius) { return std::ceil(std::max(radius, 0.0) * 3); }

struct ShadowKey {
    QByteArray shape;  // the path's elements relative to its bounds, and the blur settings
    bool operator==(const ShadowKey&) const = default;
};
struct ShadowKeyHash {
    std::size_t operator()(const ShadowKey& k) const { return qHash(k.shape); }
};

ShadowKey keyOf(const QPainterPath& shape, const QColor& colour, double radius, double dpr) {
    QByteArray bytes;
    const QPointF origin = shape.boundingRect().topLeft();
    auto add = [&bytes](double v) { bytes.append(reinterpret_cast<const char*>(&v), sizeof v); };
    for (int i = 0; i < shape.elementCount(); ++i) {
        const QPainterPath::Element e = shape.elementAt(i);
        add(double(e.type));
        add(e.x - origin.x());
        add(e.y - origin.y());
    }
    add(double(shape.fillRule()));
    add(double(colour.rgba64()));
    add(radius);
    add(dpr);
    return {bytes};
}

// A small least-recently-used cache: shadows belong to a handful of shapes.
class ShadowCache {
public:
    const QImage* find(const ShadowKey& key) {
        const auto it = index_.find(key);
        if (it == index_.end()) return nullptr;
        order_.splice(order_.begin(), order_, it->second);
        return &it->second->second;
    }
    const QImage& insert(ShadowKey key, QImage image) {
        order_.emplace_front(key, std::move(image));
        index_[std::move(key)] = order_.begin();
        while (order_.size() > kCapacity) {
            index_.erase(order_.back().first);
            order_.pop_back();
        }
        return order_.front().second;
    }

private:
    static constexpr std::size_t kCapacity = 96;
    using Entry = std::pair<ShadowKey, QImage>;
    std::list<Entry> order_;
    std::unordered_map<ShadowKey, std::list<Entry>::iterator, ShadowKeyHash> index_;
};

ShadowCache& shadowCache() {
    static ShadowCache cache;  // painting happens on the main thread only
    return cache;
}

}  // namespace

QImage softShadowImage(const QPainterPath& shape, const QColor& colour, double radius, double dpr) {
    const QRectF bounds = shape.boundingRect();
    const double margin = shadowMargin(radius);
    const int w = int(std::ceil((bounds.width() + 2 * margin) * dpr));
    const int h = int(std::ceil((bounds.height() + 2 * margin) * dpr));
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192) return {};

    QImage mask(w, h, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(dpr, dpr);
        p.translate(margin - bounds.left(), margin - bounds.top());
        p.fillPath(shape, Qt::black);
    }
    std::vector<float> alpha(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const uchar* row = mask.constScanLine(y);
        for (int x = 0; x < w; ++x) alpha[std::size_t(y) * std::size_t(w) + std::size_t(x)] = row[x] / 255.0f;
    }
    // The radius is the Gaussian's standard deviation (a CSS blur of twice
    // it); three boxes of width b give a variance of (b² - 1) / 4.
    const double sigma = radius * dpr;
    const int box = int(std::lround(std::sqrt(4 * sigma * sigma + 1)));
    for (int i = 0; i < 3; ++i) boxBlurAlpha(alpha, w, h, box / 2);

    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    const QRgb base = colour.rgba();
    const float ca = float(qAlpha(base)) / 255.0f;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const float a = std::clamp(alpha[std::size_t(y) * std::size_t(w) + std::size_t(x)], 0.0f, 1.0f) * ca;
            row[x] = qRgba(int(qRed(base) * a + 0.5f), int(qGreen(base) * a + 0.5f), int(qBlue(base) * a + 0.5f),
                           int(255 * a + 0.5f));
        }
    }
    out.setDevicePixelRatio(dpr);
    return out;
}

void paintSoftShadow(QPainter& painter, const QPainterPath& shape, const QColor& colour, double radius,
                     const QPointF& offset) {
    if (shape.isEmpty() || colour.alpha() == 0) return;
    const double dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    ShadowKey key = keyOf(shape, colour, radius, dpr);
    const QImage* image = shadowCache().find(key);
    if (!image) {
        QImage made = softShadowImage(shape, colour, radius, dpr);
        if (made.isNull()) return;
        image = &shadowCache().insert(std::move(key), std::move(made));
    }
    const double margin = shadowMargin(radius);
    painter.drawImage(shape.boundingRect().topLeft() - QPointF(margin, margin) + offset, *image);
}

void setDropShadow(QWidget& widget, const QColor& colour, double blurRadius, const QPointF& offset) {
    auto* shadow = new QGraphicsDropShadowEffect(&widget);
    shadow->setColor(colour);
    shadow->setBlurRadius(blurRadius);
    shadow->setOffset(offset);
    widget.setGraphicsEffect(shadow);
}

}  // namespace vantrel
