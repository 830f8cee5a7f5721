#include "views/kit/Icons.h"

#include <QGlyphRun>
#include <QTextLayout>

#include "services/L10n.h"
#include "services/LocalizationManager.h"
#include "views/kit/Symbols.h"

namespace vantrel {

QIcon symbolIcon(const char* symbol) { return symbolIcon(symbol, standardColor(StandardColor::PrimaryText)); }

QIcon symbolIcon(const char* symbol, const QColor& colour) { return Symbols::icon(symbol, colour); }

bool fontsCanDraw(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.isEmpty()) return false;
    // Glyph 0 is the box a font draws for a character it does not have.
    for (const QGlyphRun& run : runs)
        for (quint32 glyph : run.glyphIndexes())
            if (glyph == 0) return false;
    return true;
}

QString localized(const char* key) { return QString::fromStdString(L10n::tr(key)); }

QString localized(const char* key, int count) { return QString::fromStdString(L10n::tr(key, count)); }

bool LanguageWatch::changed() {
    const AppLanguage language = LocalizationManager::shared().currentLanguage();
    if (language == seen_) return false;
    seen_ = language;
    return true;
}

}  // namespace vantrel
