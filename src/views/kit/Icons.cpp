#include "views/kit/Icons.h"

#include <map>
#include <string_view>

#include "services/L10n.h"

// The icons live in this static library: their resource is registered on first use.
static void registerIconResources() { Q_INIT_RESOURCE(icons); }

namespace vantrel {

namespace {

struct SymbolIcons {
    const char* theme;  // freedesktop icon name, or empty
    const char* own;    // our drawing in :/icons
};

const std::map<std::string_view, SymbolIcons>& table() {
    static const std::map<std::string_view, SymbolIcons> icons{
        {"camera.aperture", {"", "aperture"}},
        {"folder", {"folder", "folder"}},
        {"crop", {"transform-crop", "crop"}},
        {"bandage", {"", "bandage"}},
        {"circle.dashed", {"", "circle-dashed"}},
        {"viewfinder", {"zoom-original", "viewfinder"}},
        {"info.circle", {"", "info"}},
        {"info.circle.fill", {"dialog-information", "info-fill"}},
        {"globe", {"", "globe"}},
        {"checkmark", {"", "checkmark"}},
        {"checkmark.circle.fill", {"", "checkmark-circle"}},
        {"square.and.arrow.up", {"document-export", "share"}},
        {"square.and.arrow.up.on.square.fill", {"", "share-stack"}},
        {"square.and.arrow.down.on.square", {"", "import-stack"}},
        {"star.fill", {"", "star"}},
        {"film.stack", {"", "film-stack"}},
        {"wand.and.stars", {"", "wand"}},
        {"rotate.left", {"object-rotate-left", "rotate-left"}},
        {"rotate.right", {"object-rotate-right", "rotate-right"}},
        {"arrow.left.and.right.righttriangle.left.righttriangle.right", {"object-flip-horizontal", "flip"}},
        {"trash", {"edit-delete", "trash"}},
        {"doc.on.doc", {"edit-copy", "copy"}},
        {"doc.on.clipboard", {"edit-paste", "paste"}},
        {"arrow.counterclockwise", {"edit-undo", "reset"}},
        {"plus.circle.fill", {"list-add", "plus-circle"}},
    };
    return icons;
}

}  // namespace

QIcon symbolIcon(const char* symbol) {
    static const bool registered = (registerIconResources(), true);
    (void)registered;
    const auto& icons = table();
    const auto found = icons.find(symbol);
    if (found == icons.end()) return {};
    const QIcon own(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(found->second.own)));
    if (*found->second.theme == '\0') return own;
    return QIcon::fromTheme(QLatin1String(found->second.theme), own);
}

QString localized(const char* key) { return QString::fromStdString(L10n::tr(key)); }

QString localized(const char* key, int count) { return QString::fromStdString(L10n::tr(key, count)); }

}  // namespace vantrel
