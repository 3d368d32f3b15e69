// threads_test.cpp - zev objects shared between threads: reference counts, child lists moved in
// opposite directions, construction and destruction through the registry, and the reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/byte_sink.h"
#include "zev/element.h"
#include "zev/registry.h"
#include "zev/reports.h"

namespace zev {
namespace {

constexpr int kKids = 32;
constexpr int kRounds = 2000;

template <class F>
void RunThreads(std::vector<F> work) {
    std::vector<std::thread> threads;
    for (auto& w : work) {
        threads.emplace_back(w);
    }
    for (auto& t : threads) {
        t.join();
    }
}

TEST(ZevThreads, SharedTreesStayConsistent) {
    const size_t before = GetRegisteredObjectCount();
    auto* shared = new CElement(u"shared");
    auto* left = new CElement(u"left");
    auto* right = new CElement(u"right");
    std::vector<CElement*> kids;
    for (int i = 0; i < kKids; ++i) {
        kids.push_back(new CElement(u"kid"));
        (i % 2 == 0 ? left : right)->AppendChild(kids.back());
    }

    auto counting = [&] {
        for (int i = 0; i < kRounds * 10; ++i) {
            shared->AddRef();
            CObject* child = left->GetChild(i % kKids);
            ReleaseObject(child);
            shared->Release();
        }
    };
    auto moving = [&](CElement* from, CElement* to) {
        return [&kids, from, to] {
            for (int i = 0; i < kRounds; ++i) {
                CElement* kid = kids[static_cast<size_t>(i % kKids)];
                CObject* parent = kid->GetParent();
                if (parent == from) {
                    to->AddChild(kid, i % 3 == 0 ? 0 : -1);
                }
                ReleaseObject(parent);
            }
        };
    };
    auto churning = [&] {
        for (int i = 0; i < kRounds; ++i) {
            auto* e = new CElement(u"temp");
            shared->AppendChild(e);
            std::vector<CObject*> children;
            shared->GetChildren(children);
            for (CObject* c : children) {
                c->Release();
            }
            shared->RemoveChild(e);
            e->Release();
            EXPECT_GE(GetRegisteredObjectCount(), before + 3 + kKids);
        }
    };
    using Work = std::function<void()>;
    RunThreads(
        std::vector<Work>{counting, moving(left, right), moving(right, left), churning, churning});

    // Reports while other threads rearrange the same (already built) nodes.
    auto reporting = [&] {
        for (int i = 0; i < 50; ++i) {
            MemoryByteSink sink;
            ReportDanglingObjects(&sink);
            EXPECT_FALSE(sink.bytes().empty());
            EXPECT_GE(GetClassInstanceCount(u"CElement"), -1);
        }
    };
    RunThreads(std::vector<Work>{reporting, moving(left, right), moving(right, left), counting});

    EXPECT_EQ(shared->GetRefCount(), 1);
    EXPECT_EQ(shared->GetChildCount(), 0);
    EXPECT_EQ(left->GetChildCount() + right->GetChildCount(), kKids);
    for (CElement* kid : kids) {
        EXPECT_EQ(kid->GetRefCount(), 2);
        kid->Release();
    }
    for (CElement* e : {shared, left, right}) {
        e->Release();
    }
    EXPECT_EQ(GetRegisteredObjectCount(), before);
}

// Objects made on some threads and freed on others, while walks and reports run: every walk is in
// address order and reaches only live objects (the sanitizers see any that are not).
TEST(ZevThreads, RegistryWalksWhileObjectsComeAndGoAcrossThreads) {
    const size_t before = GetRegisteredObjectCount();
    std::mutex handOverLock;
    std::vector<CObject*> handOver;
    auto making = [&] {
        for (int i = 0; i < kRounds; ++i) {
            auto* parent = new CElement(u"p");
            auto* child = new CElement(u"c");
            parent->AppendChild(child);
            child->Release();
            std::lock_guard<std::mutex> guard(handOverLock);
            handOver.push_back(parent);
        }
    };
    auto freeing = [&] {
        for (int freed = 0; freed < kRounds;) {
            CObject* object = nullptr;
            {
                std::lock_guard<std::mutex> guard(handOverLock);
                if (!handOver.empty()) {
                    object = handOver.back();
                    handOver.pop_back();
                }
            }
            if (object != nullptr) {
                object->Release();
                ++freed;
            } else {
                std::this_thread::yield();
            }
        }
    };
    auto walking = [&] {
        for (int i = 0; i < 100; ++i) {
            std::vector<CObject*> seen;
            ForEachRegisteredObject([&seen](CObject* object) {
                EXPECT_NE(object->GetClassName(), nullptr);
                seen.push_back(object);
            });
            EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
            ReportDanglingObjects(nullptr);
        }
    };
    using Work = std::function<void()>;
    RunThreads(std::vector<Work>{making, making, freeing, freeing, walking});
    EXPECT_EQ(GetRegisteredObjectCount(), before);
}

}  // namespace
}  // namespace zev
