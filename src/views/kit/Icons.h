#pragma once
// Icons of the window's controls, asked for by their symbol names ("crop",
// "info.circle.fill", ...): our own drawings (see Symbols), tinted.
#include <optional>

#include <QFont>
#include <QIcon>
#include <QString>

#include "services/AppLanguage.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

// The symbol in the primary text colour, or in `colour`; an empty icon for an unknown name.
QIcon symbolIcon(const char* symbol);
QIcon symbolIcon(const char* symbol, const QColor& colour);

// Whether the fonts at hand (the font itself or any fallback) have a glyph for
// every character of `text`: emoji show as empty boxes without an emoji font.
bool fontsCanDraw(const QString& text, const QFont& font);

// The text of a localisation key, and the same filled with one count.
QString localized(const char* key);
QString localized(const char* key, int count);

// Tells a view's refresh() whether the language changed since it last asked,
// so that it sets its texts again only then; the first question answers yes.
class LanguageWatch {
public:
    bool changed();

private:
    std::optional<AppLanguage> seen_;
};

}  // namespace vantrel
