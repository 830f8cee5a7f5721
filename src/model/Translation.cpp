#include "model/Translation.h"

#include <memory>
#include <mutex>

namespace vantrel {
namespace {

std::mutex& hookMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<const TranslationHook>& hookSlot() {
    static std::shared_ptr<const TranslationHook> slot;
    return slot;
}

}  // namespace

void setTranslationHook(TranslationHook hook) {
    std::shared_ptr<const TranslationHook> next;
    if (hook) next = std::make_shared<const TranslationHook>(std::move(hook));
    std::lock_guard lock(hookMutex());
    hookSlot() = std::move(next);
}

std::string translate(std::string_view key) {
    std::shared_ptr<const TranslationHook> hook;
    {
        std::lock_guard lock(hookMutex());
        hook = hookSlot();
    }
    if (hook) return (*hook)(key);
    return std::string(key);
}

}  // namespace vantrel
