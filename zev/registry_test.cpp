// registry_test.cpp - the object registry's walks and its reports: what they see, in which order,
// what the walking thread may do meanwhile, and the exact lines of the reports.
#include "zev/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/support/test_support.h"
#include "zev/element.h"
#include "zev/reports.h"

namespace zev {
namespace {

std::vector<CObject*> Walk() {
    std::vector<CObject*> seen;
    ForEachRegisteredObject([&seen](CObject* object) { seen.push_back(object); });
    return seen;
}

// Children moved between two parents in opposite directions, objects made on some threads and
// freed on others, while walks and reports run (ThreadSanitizer runs this in CI): every walk is in
// address order, and afterwards the registry holds exactly the live objects.
TEST(RegistryWalk, StaysOrderedAndExactWhileThreadsShareTreesAndMakeAndFreeObjects) {
    auto* left = new CElement(u"left");
    auto* right = new CElement(u"right");
    std::vector<CElement*> kids;
    for (int i = 0; i < 32; ++i) {
        kids.push_back(new CElement(u"kid"));
        (i % 2 == 0 ? left : right)->AppendChild(kids.back());
    }
    auto moving = [&kids](CElement* from, CElement* to) {
        return [&kids, from, to] {
            for (int i = 0; i < 2000; ++i) {
                CElement* kid = kids[static_cast<size_t>(i % 32)];
                CObject* parent = kid->GetParent();
                if (parent == from) {
                    to->AddChild(kid, i % 3 == 0 ? 0 : -1);
                }
                ReleaseObject(parent);
            }
        };
    };
    std::vector<std::atomic<CObject*>> handOver(2000);
    auto making = [&handOver] {
        for (std::atomic<CObject*>& slot : handOver) {
            auto* parent = new CElement(u"p");
            parent->AppendChild(new CElement(u"c"));
            ObjectRef<CObject> child(parent->GetChild(0));
            child->Release();
            slot.store(parent);
        }
    };
    auto freeing = [&handOver] {
        for (std::atomic<CObject*>& slot : handOver) {
            while (slot.load() == nullptr) {
                std::this_thread::yield();
            }
            EXPECT_EQ(slot.load()->Release(), 0);
        }
    };
    auto walking = [] {
        for (int i = 0; i < 100; ++i) {
            const std::vector<CObject*> seen = Walk();
            EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
            ReportDanglingObjects(nullptr);
            GetClassInstanceCount(u"CElement");
        }
    };
    std::vector<std::thread> threads;
    for (const auto& work : std::vector<std::function<void()>>{
             moving(left, right), moving(right, left), making, freeing, walking}) {
        threads.emplace_back(work);
    }
    for (std::thread& t : threads) {
        t.join();
    }
    std::set<CObject*> live(kids.begin(), kids.end());
    live.insert({left, right});
    const std::vector<CObject*> seen = Walk();
    EXPECT_EQ(std::set<CObject*>(seen.begin(), seen.end()), live);
    EXPECT_EQ(left->GetChildCount() + right->GetChildCount(), 32);
    for (CObject* object : live) {
        EXPECT_EQ(object->GetRefCount(), object == left || object == right ? 1 : 2);
    }
    for (CObject* object : live) {
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
    std::vector<CObject*> visited;
    CObject* madeDuringWalk = nullptr;
    size_t nestedWalk = 0;
    ForEachRegisteredObject([&](CObject* object) {
        visited.push_back(object);
        if (object == ours.front()) {
            // Neither may wait for the locks this walk holds.
            madeDuringWalk = new CElement(u"new");
            last->Release();  // due later in this walk, so it must be skipped
            nestedWalk = Walk().size();
        }
    });
    EXPECT_EQ(visited, std::vector<CObject*>(ours.begin(), ours.end() - 1));
    EXPECT_EQ(nestedWalk, 8u);
    ours.back() = madeDuringWalk;
    for (CObject* object : ours) {
        object->Release();
    }
}

// What a report wrote, as lines.
std::vector<std::string> Lines(const MemoryByteSink& sink) {
    std::istringstream text(olvane_test::Utf16LeToUtf8(sink.bytes()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

const std::string kDashes(37, '-');

TEST(Reports, DanglingObjectsWithCountsNamesAndOwnersInAddressOrder) {
    auto* doc = new CElement(u"doc");
    doc->SetObjectName(u"the-document-object-with-a-long-name");
    auto* child = new CObject(doc);
    child->SetObjectName(u"kid");
    MemoryByteSink sink;
    ReportDanglingObjects(&sink);
    ReportDanglingObjects(nullptr);
    std::vector<std::string> lines = Lines(sink);
    ASSERT_EQ(lines.size(), 6u);
    // Each row begins with its object's address: read back, it names the object of the row.
    std::vector<std::pair<uintptr_t, std::string>> rows;
    for (const std::string& row : {lines[2], lines[3]}) {
        const size_t blank = row.find(' ');
        ASSERT_EQ(row.substr(0, 2), "0x");
        rows.emplace_back(std::stoull(row.substr(2, blank - 2), nullptr, 16), row.substr(blank));
    }
    std::vector<std::pair<uintptr_t, std::string>> expected{
        {reinterpret_cast<uintptr_t>(doc), " 001 CElement             the-document-object-wi "},
        {reinterpret_cast<uintptr_t>(child),
         " 002 CObject              kid                    the-document-object-with-a-long-name"}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows, expected);
    lines.erase(lines.begin() + 2, lines.begin() + 4);
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "Objects    Ref Class                Name                   Owner               ",
                  "---------- --- -------------------- ---------------------- --------------------",
                  kDashes, "2 dangling object(s)"}));
    child->Release();
    doc->Release();

    sink.Clear();
    WriteReportLine(&sink, u"%s", std::u16string(3000, u'z').c_str());
    EXPECT_EQ(sink.bytes().size(), 2048u * 2 + 2);
}

uint32_t g_now = 0;
uint32_t FakeTick() {
    return g_now;
}

TEST(Reports, CensusCountsLiveInstancesAndIsKeptForTenSeconds) {
    SetCensusTickSourceForTesting(&FakeTick);
    g_now = 5000;  // the census counts as rebuilt at tick 0
    CElement* elements[3] = {new CElement(u"a"), new CElement(u"b"), new CElement(u"c")};
    EXPECT_EQ(GetClassInstanceCount(u"CElement"), -1);
    g_now = 0xFFFFF000u;
    EXPECT_EQ(GetClassInstanceCount(u"CElement"), 3);
    auto* plain = new CObject;
    g_now += 9999;  // across the wrap
    EXPECT_EQ(GetClassInstanceCount(u"CObject"), -1);
    g_now += 1;
    EXPECT_EQ(GetClassInstanceCount(u"CObject"), 1);
    EXPECT_EQ(GetClassInstanceCount(nullptr), -1);
    std::u16string names(1, u'x');
    GetClassNames(names);
    EXPECT_EQ(names, u"x\r\nCElement\r\nCObject");
    MemoryByteSink sink;
    ReportClassInstances(&sink);
    EXPECT_EQ(Lines(sink),
              (std::vector<std::string>{
                  "Class                Instances ", "-------------------- ----------",
                  "CElement                      3", "CObject                       1", kDashes}));
    plain->Release();
    for (CElement* e : elements) {
        e->Release();
    }
    SetCensusTickSourceForTesting(nullptr);
}

}  // namespace
}  // namespace zev
