#include "views/kit/Symbols.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

// The drawings live in this static library: their resource is registered on first use.
static void registerSymbolResources() { Q_INIT_RESOURCE(icons); }

namespace vantrel {

namespace {

// Symbol name -> drawing in :/icons. Names the platform uses for its own logo
// map to a neutral mark of ours.
const std::map<std::string_view, const char*, std::less<>>& table() {
    static const std::map<std::string_view, const char*, std::less<>> symbols{
        {"apple.logo", "neutral-badge"},
        {"arrow.clockwise", "arrow-clockwise"},
        {"arrow.counterclockwise", "reset"},
        {"arrow.down.doc", "arrow-down-doc"},
        {"arrow.left.and.right", "arrow-left-and-right"},
        {"arrow.left.and.right.righttriangle.left.righttriangle.right", "flip"},
        {"arrow.left.arrow.right", "arrow-left-arrow-right"},
        {"arrow.triangle.2.circlepath", "arrows-circlepath"},
        {"arrow.up.and.down.and.arrow.left.and.right", "arrows-four-way"},
        {"arrow.uturn.backward", "arrow-uturn-backward"},
        {"aspectratio", "aspectratio"},
        {"bandage", "bandage"},
        {"barcode", "barcode"},
        {"camera.aperture", "aperture"},
        {"camera.badge.ellipsis", "camera-badge-ellipsis"},
        {"camera.filters", "camera-filters"},
        {"camera.metering.spot", "camera-metering-spot"},
        {"character.cursor.ibeam", "character-cursor-ibeam"},
        {"checkmark", "checkmark"},
        {"checkmark.circle.fill", "checkmark-circle"},
        {"chevron.down", "chevron-down"},
        {"chevron.up", "chevron-up"},
        {"circle", "circle"},
        {"circle.circle", "circle-circle"},
        {"circle.dashed", "circle-dashed"},
        {"circle.dotted", "circle-dotted"},
        {"circle.grid.cross.fill", "circle-grid-cross-fill"},
        {"clock.arrow.circlepath", "clock-arrow-circlepath"},
        {"crop", "crop"},
        {"doc.on.clipboard", "paste"},
        {"doc.on.doc", "copy"},
        {"exclamationmark.triangle", "exclamationmark-triangle"},
        {"exclamationmark.triangle.fill", "exclamationmark-triangle-fill"},
        {"eye", "eye"},
        {"eye.fill", "eye-fill"},
        {"eye.slash", "eye-slash"},
        {"eyedropper.halffull", "eyedropper-halffull"},
        {"film", "film"},
        {"film.stack", "film-stack"},
        {"flag", "flag"},
        {"flag.fill", "flag-fill"},
        {"folder", "folder"},
        {"globe", "globe"},
        {"gyroscope", "gyroscope"},
        {"hand.draw", "hand-draw"},
        {"info.circle", "info"},
        {"info.circle.fill", "info-fill"},
        {"line.diagonal", "line-diagonal"},
        {"paintpalette", "paintpalette"},
        {"pencil", "pencil"},
        {"photo", "photo"},
        {"plus", "plus"},
        {"plus.circle.fill", "plus-circle"},
        {"rectangle", "rectangle"},
        {"rectangle.grid.1x2", "rectangle-side-by-side"},
        {"rectangle.split.2x1", "rectangle-split"},
        {"rotate.left", "rotate-left"},
        {"rotate.right", "rotate-right"},
        {"scope", "scope"},
        {"slider.horizontal.3", "slider-horizontal-3"},
        {"sparkles.rectangle.stack", "sparkles-rectangle-stack"},
        {"sparkles.rectangle.stack.fill", "sparkles-rectangle-stack-fill"},
        {"speedometer", "speedometer"},
        {"square.and.arrow.down.on.square", "import-stack"},
        {"square.and.arrow.down.on.square.fill", "import-stack-fill"},
        {"square.and.arrow.up", "share"},
        {"square.and.arrow.up.circle.fill", "share-circle-fill"},
        {"square.and.arrow.up.fill", "share-fill"},
        {"square.and.arrow.up.on.square.fill", "share-stack"},
        {"star", "star-outline"},
        {"star.fill", "star"},
        {"sun.dust.fill", "sun-dust-fill"},
        {"sun.max.fill", "sun-max-fill"},
        {"timer", "timer"},
        {"trash", "trash"},
        {"viewfinder", "viewfinder"},
        {"wand.and.stars", "wand"},
        {"xmark", "xmark"},
        {"xmark.circle", "xmark-circle"},
        {"xmark.circle.fill", "xmark-circle-fill"},
    };
    return symbols;
}

// One parsed drawing per file, kept for the program's life (main thread only).
QSvgRenderer* renderer(const char* file) {
    static const bool registered = (registerSymbolResources(), true);
    (void)registered;
    static std::map<std::string, std::unique_ptr<QSvgRenderer>, std::less<>> renderers;
    auto found = renderers.find(std::string_view(file));
    if (found == renderers.end()) {
        auto made = std::make_unique<QSvgRenderer>(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(file)));
        found = renderers.emplace(file, std::move(made)).first;
    }
    return found->second->isValid() ? found->second.get() : nullptr;
}

// Renders white-on-clear and turns the white coverage into the tint's alpha:
// black parts of the drawing (cut-outs) have no coverage left.
QPixmap tinted(QSvgRenderer& svg, int pixels, const QColor& colour) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        svg.render(&p, QRectF(0, 0, pixels, pixels));
    }
    const QRgb base = colour.rgba();
    const float alpha = float(qAlpha(base)) / 255.0f;
    for (int y = 0; y < pixels; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < pixels; ++x) {
            const float ink = float(qGreen(row[x])) / 255.0f * alpha;
            row[x] = qRgba(int(qRed(base) * ink + 0.5f), int(qGreen(base) * ink + 0.5f), int(qBlue(base) * ink + 0.5f),
                           int(255 * ink + 0.5f));
        }
    }
    return QPixmap::fromImage(std::move(image));
}

class SymbolIconEngine final : public QIconEngine {
public:
    SymbolIconEngine(std::string_view name, QColor colour) : name_(name), colour_(colour) {}
    QIconEngine* clone() const override { return new SymbolIconEngine(*this); }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        Symbols::paint(*painter, rect, name_, colourFor(mode));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        const double side = std::min(size.width(), size.height());
        QPixmap square = Symbols::pixmap(name_, side, colourFor(mode), scale);
        if (square.isNull() || size.width() == size.height()) return square;
        // A wider or taller request gets the square centred in it.
        QPixmap out(QSize(int(std::ceil(size.width() * scale)), int(std::ceil(size.height() * scale))));
        out.setDevicePixelRatio(scale);
        out.fill(Qt::transparent);
        QPainter p(&out);
        p.drawPixmap(QPointF((size.width() - side) / 2, (size.height() - side) / 2), square);
        return out;
    }
    QString key() const override { return QStringLiteral("vantrel.symbol"); }

private:
    QColor colourFor(QIcon::Mode mode) const {
        if (mode != QIcon::Disabled) return colour_;
        QColor dimmed = colour_;
        dimmed.setAlphaF(dimmed.alphaF() * 0.35f);
        return dimmed;
    }
    std::string name_;
    QColor colour_;
};

}  // namespace

bool Symbols::exists(std::string_view name) { return table().contains(name); }

std::vector<std::string_view> Symbols::names() {
    std::vector<std::string_view> out;
    out.reserve(table().size());
    for (const auto& [name, file] : table()) out.push_back(name);
    return out;
}

QPixmap Symbols::pixmap(std::string_view name, double size, const QColor& colour, double dpr) {
    const auto found = table().find(name);
    if (found == table().end() || !(size > 0)) return {};
    const int pixels = std::max(1, int(std::lround(size * dpr)));
    const QString key = QStringLiteral("vantrel.symbol/%1/%2/%3/%4")
                            .arg(QLatin1String(found->second))
                            .arg(pixels)
                            .arg(size)
                            .arg(colour.rgba(), 8, 16, QLatin1Char('0'));
    QPixmap cached;
    if (!QPixmapCache::find(key, &cached)) {
        QSvgRenderer* svg = renderer(found->second);
        if (!svg) return {};
        cached = tinted(*svg, pixels, colour);
        cached.setDevicePixelRatio(double(pixels) / size);
        QPixmapCache::insert(key, cached);
    }
    return cached;
}

void Symbols::paint(QPainter& painter, const QRectF& rect, std::string_view name, const QColor& colour) {
    const double side = std::min(rect.width(), rect.height());
    if (!(side > 0)) return;
    const double dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap picture = pixmap(name, side, colour, dpr);
    if (picture.isNull()) return;
    const QRectF target(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.drawPixmap(target, picture, QRectF(picture.rect()));
}

QIcon Symbols::icon(std::string_view name, const QColor& colour) {
    if (!exists(name)) return {};
    return QIcon(new SymbolIconEngine(name, colour));
}

}  // namespace vantrel
