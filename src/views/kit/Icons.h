#pragma once
// Icons of the window's controls, asked for by their symbol names
// ("crop", "info.circle.fill", ...): the desktop's icon theme where it has a
// fitting icon, else one of our own drawings in the resources.
#include <QIcon>
#include <QString>

namespace vantrel {

QIcon symbolIcon(const char* symbol);

// The text of a localisation key, and the same filled with one count.
QString localized(const char* key);
QString localized(const char* key, int count);

}  // namespace vantrel
