#pragma once
// Icons of the window's controls, asked for by their symbol names ("crop",
// "info.circle.fill", ...): our own drawings (see Symbols), tinted.
#include <QIcon>
#include <QString>

#include "views/kit/StandardColors.h"

namespace vantrel {

// The symbol in the primary text colour, or in `colour`; an empty icon for an unknown name.
QIcon symbolIcon(const char* symbol);
QIcon symbolIcon(const char* symbol, const QColor& colour);

// The text of a localisation key, and the same filled with one count.
QString localized(const char* key);
QString localized(const char* key, int count);

}  // namespace vantrel
