#include "views/kit/Icons.h"

#include "services/L10n.h"
#include "views/kit/Symbols.h"

namespace vantrel {

QIcon symbolIcon(const char* symbol) { return symbolIcon(symbol, standardColor(StandardColor::PrimaryText)); }

QIcon symbolIcon(const char* symbol, const QColor& colour) { return Symbols::icon(symbol, colour); }

QString localized(const char* key) { return QString::fromStdString(L10n::tr(key)); }

QString localized(const char* key, int count) { return QString::fromStdString(L10n::tr(key, count)); }

}  // namespace vantrel
