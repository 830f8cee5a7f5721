#include "services/LocalText.h"

#include "services/L10n.h"

namespace vantrel {

LocalText LocalText::plain(std::string text) { return LocalText{{}, {LocalArg(std::move(text))}}; }

std::string LocalText::str() const {
    if (key.empty()) {
        const auto* text = args.empty() ? nullptr : std::get_if<std::string>(&args.front());
        return text ? *text : std::string();
    }
    if (args.empty()) return L10n::tr(key);
    std::vector<FormatArg> filled;
    filled.reserve(args.size());
    for (const LocalArg& arg : args) {
        std::visit(
            [&](const auto& value) {
                using V = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<V, std::shared_ptr<const LocalText>>)
                    filled.emplace_back(value ? value->str() : std::string());
                else
                    filled.emplace_back(value);
            },
            arg);
    }
    return L10n::format(key, filled);
}

bool operator==(const LocalText& a, const LocalText& b) {
    if (a.key != b.key || a.args.size() != b.args.size()) return false;
    for (std::size_t i = 0; i < a.args.size(); ++i) {
        const auto* x = std::get_if<std::shared_ptr<const LocalText>>(&a.args[i]);
        const auto* y = std::get_if<std::shared_ptr<const LocalText>>(&b.args[i]);
        if (x && y) {
            if (!*x || !*y ? *x != *y : !(**x == **y)) return false;
        } else if (a.args[i] != b.args[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace vantrel
