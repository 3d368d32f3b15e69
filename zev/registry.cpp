// registry.cpp - the object registry: sharded intrusive lists of live objects, its enabled flag.
#include "zev/registry.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "zev/object.h"

namespace zev {

// The one way into an object's links.
struct RegistryAccess {
    static RegistryLinks& Links(CObject* object) { return object->m_registry; }
};

namespace {

// A power of two, and more than the threads that usually build objects at once.
constexpr uint32_t kShardCount = 16;

// Own cache lines, so that threads on different shards do not share one.
struct alignas(64) Shard {
    std::mutex lock;
    CObject* head = nullptr;
    size_t count = 0;
};

// Everything here is constant-initialised and trivially destroyed, so it is usable before the
// registry is enabled and after it is disabled; the flag alone decides whether it is used.
constinit std::atomic<bool> g_enabled{false};
constinit Shard g_shards[kShardCount];
constinit std::atomic<uint32_t> g_nextShard{0};

// A walk in progress on this thread, which holds every shard lock until it ends. Walks nest.
struct Walk {
    std::vector<CObject*> objects;  // sorted by address; null once deleted
    Walk* outer = nullptr;
};
constinit thread_local Walk* t_walk = nullptr;
constinit thread_local uint32_t t_shard = RegistryLinks::kNoShard;

struct Lifetime {
    Lifetime() { g_enabled.store(true, std::memory_order_release); }
    ~Lifetime() {
        // Cleared first: whoever takes a shard lock after this sees the flag clear and leaves the
        // (now forgotten) lists alone.
        g_enabled.store(false, std::memory_order_release);
        for (Shard& shard : g_shards) {
            std::lock_guard<std::mutex> guard(shard.lock);
            shard.head = nullptr;
            shard.count = 0;
        }
    }
};
Lifetime g_lifetime;

uint32_t ThisThreadShard() {
    if (t_shard == RegistryLinks::kNoShard) {
        t_shard = g_nextShard.fetch_add(1, std::memory_order_relaxed) % kShardCount;
    }
    return t_shard;
}

// Locks one shard, unless this thread is walking and so already holds them all.
class ShardGuard {
  public:
    explicit ShardGuard(Shard& shard) : m_shard(t_walk == nullptr ? &shard : nullptr) {
        if (m_shard != nullptr) {
            m_shard->lock.lock();
        }
    }
    ShardGuard(const ShardGuard&) = delete;
    ShardGuard& operator=(const ShardGuard&) = delete;
    ~ShardGuard() {
        if (m_shard != nullptr) {
            m_shard->lock.unlock();
        }
    }

  private:
    Shard* m_shard;
};

// Locks every shard, in index order so that two threads doing this cannot deadlock; nothing when
// this thread already holds them.
class AllShardsGuard {
  public:
    AllShardsGuard() : m_locked(t_walk == nullptr) {
        if (m_locked) {
            for (Shard& shard : g_shards) {
                shard.lock.lock();
            }
        }
    }
    AllShardsGuard(const AllShardsGuard&) = delete;
    AllShardsGuard& operator=(const AllShardsGuard&) = delete;
    ~AllShardsGuard() {
        if (m_locked) {
            for (Shard& shard : g_shards) {
                shard.lock.unlock();
            }
        }
    }

  private:
    bool m_locked;
};

// Holds the shards under an AllShardsGuard.
size_t CountLocked() {
    size_t count = 0;
    for (const Shard& shard : g_shards) {
        count += shard.count;
    }
    return count;
}

}  // namespace

void RegisterObject(CObject* object) {
    if (!IsRegistryEnabled()) {
        return;
    }
    const uint32_t index = ThisThreadShard();
    Shard& shard = g_shards[index];
    ShardGuard guard(shard);
    if (!IsRegistryEnabled()) {
        return;
    }
    RegistryLinks& links = RegistryAccess::Links(object);
    links.prev = nullptr;
    links.next = shard.head;
    links.shard = index;
    if (shard.head != nullptr) {
        RegistryAccess::Links(shard.head).prev = object;
    }
    shard.head = object;
    ++shard.count;
}

void UnregisterObject(CObject* object) {
    RegistryLinks& links = RegistryAccess::Links(object);
    if (links.shard == RegistryLinks::kNoShard || !IsRegistryEnabled()) {
        return;
    }
    Shard& shard = g_shards[links.shard];
    ShardGuard guard(shard);
    if (!IsRegistryEnabled()) {
        return;
    }
    if (links.prev != nullptr) {
        RegistryAccess::Links(links.prev).next = links.next;
    } else {
        shard.head = links.next;
    }
    if (links.next != nullptr) {
        RegistryAccess::Links(links.next).prev = links.prev;
    }
    links = RegistryLinks();
    --shard.count;
    // Deleted by the walking thread itself: its walks must not reach it.
    for (Walk* walk = t_walk; walk != nullptr; walk = walk->outer) {
        const auto it = std::lower_bound(walk->objects.begin(), walk->objects.end(), object);
        if (it != walk->objects.end() && *it == object) {
            *it = nullptr;
        }
    }
}

bool IsRegistryEnabled() {
    return g_enabled.load(std::memory_order_acquire);
}

size_t GetRegisteredObjectCount() {
    if (!IsRegistryEnabled()) {
        return 0;
    }
    AllShardsGuard guard;
    return IsRegistryEnabled() ? CountLocked() : 0;
}

void ForEachRegisteredObject(void (*visit)(CObject* object, void* context), void* context) {
    if (!IsRegistryEnabled()) {
        return;
    }
    AllShardsGuard guard;
    if (!IsRegistryEnabled()) {
        return;
    }
    Walk walk;
    walk.objects.reserve(CountLocked());
    for (const Shard& shard : g_shards) {
        for (CObject* object = shard.head; object != nullptr;
             object = RegistryAccess::Links(object).next) {
            walk.objects.push_back(object);
        }
    }
    std::sort(walk.objects.begin(), walk.objects.end());

    walk.outer = t_walk;
    t_walk = &walk;
    struct Restore {
        Walk& walk;
        ~Restore() { t_walk = walk.outer; }
    } restore{walk};
    // By index: the entries may be nulled, but the vector never changes size.
    for (size_t i = 0; i < walk.objects.size(); ++i) {
        if (walk.objects[i] != nullptr) {
            visit(walk.objects[i], context);
        }
    }
}

}  // namespace zev
