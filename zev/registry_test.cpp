// registry_test.cpp - walks of the object registry: what they see, in which order, and what the
// walking thread itself may do meanwhile.
#include "zev/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>
#include <vector>

#include "zev/element.h"

namespace zev {
namespace {

std::vector<CObject*> Walk() {
    std::vector<CObject*> seen;
    ForEachRegisteredObject([&seen](CObject* object) { seen.push_back(object); });
    return seen;
}

TEST(RegistryWalk, SeesExactlyTheLiveObjectsInAddressOrderWhicheverThreadMadeOrFreedThem) {
    std::set<CObject*> expected;
    for (CObject* object : Walk()) {
        expected.insert(object);
    }
    // Made on several threads, so on several shards; some freed on a thread of their own.
    std::vector<CObject*> made;
    for (int t = 0; t < 4; ++t) {
        std::thread([&made] {
            for (int i = 0; i < 50; ++i) {
                made.push_back(i % 2 == 0 ? new CObject : new CElement(u"e"));
            }
        }).join();
    }
    for (int i = 0; i < 20; ++i) {
        made.push_back(new CObject);
    }
    std::vector<CObject*> kept;
    std::vector<CObject*> freed;
    for (size_t i = 0; i < made.size(); ++i) {
        (i % 3 == 0 ? freed : kept).push_back(made[i]);
    }
    std::thread([&freed] {
        for (CObject* object : freed) {
            object->Release();
        }
    }).join();
    expected.insert(kept.begin(), kept.end());

    const std::vector<CObject*> seen = Walk();
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(std::set<CObject*>(seen.begin(), seen.end()), expected);
    EXPECT_EQ(seen.size(), expected.size());
    EXPECT_EQ(GetRegisteredObjectCount(), expected.size());
    for (CObject* object : kept) {
        object->Release();
    }
}

TEST(RegistryWalk, TheWalkingThreadMayMakeAndFreeObjects) {
    std::vector<CObject*> ours;
    for (int i = 0; i < 8; ++i) {
        ours.push_back(new CObject);
    }
    std::sort(ours.begin(), ours.end());
    CObject* last = ours.back();
    const size_t before = GetRegisteredObjectCount();

    std::vector<CObject*> visited;
    CObject* madeDuringWalk = nullptr;
    size_t countDuringWalk = 0;
    size_t nestedWalkSize = 0;
    ForEachRegisteredObject([&](CObject* object) {
        if (std::find(ours.begin(), ours.end(), object) == ours.end()) {
            return;
        }
        visited.push_back(object);
        if (object == ours.front()) {
            // Neither may wait for the locks this walk holds.
            madeDuringWalk = new CElement(u"new");
            last->Release();  // due later in this walk, so it must be skipped
            countDuringWalk = GetRegisteredObjectCount();
            nestedWalkSize = Walk().size();
        }
    });
    EXPECT_EQ(visited, std::vector<CObject*>(ours.begin(), ours.end() - 1));
    EXPECT_EQ(countDuringWalk, before);  // one made, one freed
    EXPECT_EQ(nestedWalkSize, before);
    EXPECT_EQ(GetRegisteredObjectCount(), before);
    const std::vector<CObject*> after = Walk();
    EXPECT_NE(std::find(after.begin(), after.end(), madeDuringWalk), after.end());
    EXPECT_EQ(std::find(after.begin(), after.end(), last), after.end());

    madeDuringWalk->Release();
    ours.pop_back();
    for (CObject* object : ours) {
        object->Release();
    }
}

}  // namespace
}  // namespace zev
