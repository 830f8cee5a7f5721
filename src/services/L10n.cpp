#include "services/L10n.h"

#include "services/LocalizationManager.h"

namespace vantrel::L10n {

std::string tr(std::string_view key) { return LocalizationManager::shared().localizedString(key); }

std::string format(std::string_view key, std::span<const FormatArg> arguments) {
    return LocalizationManager::shared().localizedString(key, arguments);
}

}  // namespace vantrel::L10n
