// registry.cpp - the object registry: sharded intrusive lists of live objects, its enabled flag.
#include "zev/registry.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "platform/sync.h"
#include "zev/object.h"

namespace zev {

// The one way into an object's links.
struct RegistryAccess {
    static RegistryLinks& Links(CObject* object) { return object->m_Registry; }
};

namespace {

// A power of two, and more than the threads that usually build objects at once.
constexpr uint32_t kShardCount = 16;

// Own cache lines, so that threads on different shards do not share one.
struct alignas(64) Shard {
    platform::StaticLock lock;
    CObject* head = nullptr;
    size_t count = 0;
};

// Everything here is constant-initialised and trivially destroyed, so it is usable before the
// registry is enabled and after it is disabled; the flag alone decides whether it is used.
constinit std::atomic<bool> g_enabled{false};
constinit Shard g_shards[kShardCount];

// The walks in progress, innermost first, and the thread walking, which holds every shard lock
// until its outermost walk ends. No thread_local: some leak checkers misread the dynamic TLS of a
// library loaded at run time, as the plug-in is.
struct Walk {
    std::vector<CObject*> objects;  // sorted by address; null once deleted
    Walk* outer = nullptr;
};
constinit Walk* g_walk = nullptr;  // guarded by all the shard locks
// Built before g_lifetime below enables the registry, and read only while it is enabled.
std::atomic<std::thread::id> g_walker{};

bool IsWalking() {
    return g_walker.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

struct Lifetime {
    Lifetime() { g_enabled.store(true, std::memory_order_release); }
    ~Lifetime() {
        // Cleared first: whoever takes a shard lock after this sees the flag clear and leaves the
        // (now forgotten) lists alone.
        g_enabled.store(false, std::memory_order_release);
        for (Shard& shard : g_shards) {
            platform::CSingleLock<platform::StaticLock> guard(shard.lock);
            shard.head = nullptr;
            shard.count = 0;
        }
    }
};
Lifetime g_lifetime;

// A thread keeps to one shard (threads that share one only share a lock).
uint32_t ThisThreadShard() {
    const uint64_t id = std::hash<std::thread::id>()(std::this_thread::get_id());
    return static_cast<uint32_t>((id * 0x9E3779B97F4A7C15u) >> 60) % kShardCount;
}

// Locks one shard, unless this thread is walking and so already holds them all.
class ShardGuard {
  public:
    explicit ShardGuard(Shard& shard) : m_shard(IsWalking() ? nullptr : &shard) {
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
    AllShardsGuard() : m_locked(!IsWalking()) {
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
    for (Walk* walk = g_walk; walk != nullptr; walk = walk->outer) {
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

    walk.outer = g_walk;
    g_walk = &walk;
    if (walk.outer == nullptr) {
        g_walker.store(std::this_thread::get_id(), std::memory_order_relaxed);
    }
    struct Restore {
        Walk& walk;
        ~Restore() {
            g_walk = walk.outer;
            if (g_walk == nullptr) {
                g_walker.store(std::thread::id(), std::memory_order_relaxed);
            }
        }
    } restore{walk};
    // By index: the entries may be nulled, but the vector never changes size.
    for (size_t i = 0; i < walk.objects.size(); ++i) {
        if (walk.objects[i] != nullptr) {
            visit(walk.objects[i], context);
        }
    }
}

}  // namespace zev
