// registry.h - the process-wide set of live zev objects, for leak hunting.
//
// It is enabled from static initialisation to static destruction; while disabled, registering and
// unregistering do nothing. Objects are registered when their base construction ends and leave the
// set just before they are deleted.
//
// Registration is on every object's path, so it allocates nothing and cannot fail: each object
// carries its own links, and the live objects form intrusive lists, one per shard, each shard with
// its own lock. A thread keeps to one shard, so threads rarely meet on a lock. Walks are rare and
// pay instead: they lock every shard and sort a snapshot by address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace zev {

class CObject;

// The links a registered object carries. Touched only by the registry, under its shard's lock.
struct RegistryLinks {
    static constexpr uint32_t kNoShard = UINT32_MAX;
    CObject* prev = nullptr;
    CObject* next = nullptr;
    uint32_t shard = kNoShard;  // kNoShard while the object is not registered
};

void RegisterObject(CObject* object);
void UnregisterObject(CObject* object);
bool IsRegistryEnabled();

// The number of live registered objects.
size_t GetRegisteredObjectCount();

// Calls visit(object, context) for every live registered object in ascending address order, and
// nothing while the registry is disabled. Until it returns, other threads can neither register nor
// delete an object. The calling thread may: objects it creates meanwhile are not visited, and one
// it deletes before its turn is skipped. Throws std::bad_alloc, with nothing visited, when the
// snapshot cannot be allocated.
void ForEachRegisteredObject(void (*visit)(CObject* object, void* context), void* context);

template <class Visit>
void ForEachRegisteredObject(Visit&& visit) {
    using V = std::remove_reference_t<Visit>;
    ForEachRegisteredObject(
        [](CObject* object, void* context) { (*static_cast<V*>(context))(object); },
        const_cast<void*>(static_cast<const void*>(&visit)));
}

}  // namespace zev
