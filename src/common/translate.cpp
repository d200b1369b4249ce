#include "common/translate.h"

#include <atomic>

namespace orva {

namespace {
std::atomic<TranslateHook> g_hook{nullptr};
}  // namespace

void SetTranslateHook(TranslateHook hook) {
    g_hook.store(hook);
}

const char* Tr(const char* source) {
    const TranslateHook hook = g_hook.load();
    return hook != nullptr && source != nullptr ? hook(source) : source;
}

}  // namespace orva
