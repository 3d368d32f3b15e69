// registry.cpp - the object registry and its enabled flag.
#include "zev/registry.h"

#include <atomic>

namespace zev {
namespace {

// Constant-initialised, so it reads false before the registry below is built and after it is gone.
constinit std::atomic<bool> g_enabled{false};

struct Registry {
    Registry() { g_enabled.store(true, std::memory_order_release); }
    ~Registry() {
        g_enabled.store(false, std::memory_order_release);
        std::lock_guard<std::recursive_mutex> guard(lock);
        objects.clear();
    }
    std::recursive_mutex lock;
    std::set<CObject*> objects;
};

Registry g_registry;

}  // namespace

void RegisterObject(CObject* object) {
    if (!IsRegistryEnabled()) {
        return;
    }
    std::lock_guard<std::recursive_mutex> guard(g_registry.lock);
    g_registry.objects.insert(object);
}

void UnregisterObject(CObject* object) {
    if (!IsRegistryEnabled()) {
        return;
    }
    std::lock_guard<std::recursive_mutex> guard(g_registry.lock);
    g_registry.objects.erase(object);
}

bool IsRegistryEnabled() {
    return g_enabled.load(std::memory_order_acquire);
}

size_t GetRegisteredObjectCount() {
    if (!IsRegistryEnabled()) {
        return 0;
    }
    std::lock_guard<std::recursive_mutex> guard(g_registry.lock);
    return g_registry.objects.size();
}

std::recursive_mutex& GetRegistryLock() {
    return g_registry.lock;
}

const std::set<CObject*>& GetRegisteredObjects() {
    return g_registry.objects;
}

}  // namespace zev
