// registry.h - the process-wide set of live zev objects, ordered by address, for leak hunting.
//
// It is enabled from static initialisation to static destruction; while disabled, registering and
// unregistering do nothing. Objects are registered when their base construction ends and leave the
// set just before they are deleted.
#pragma once

#include <cstddef>
#include <mutex>
#include <set>

namespace zev {

class CObject;

void RegisterObject(CObject* object);
void UnregisterObject(CObject* object);
bool IsRegistryEnabled();

// The number of live registered objects.
size_t GetRegisteredObjectCount();

// For the reports: the registry's lock, and the set it guards. Hold the lock while reading the
// set; while it is held, no registered object can be deleted.
std::recursive_mutex& GetRegistryLock();
const std::set<CObject*>& GetRegisteredObjects();

}  // namespace zev
