// reports.cpp - the dangling-object report, the class census and the report line writer.
#include "zev/reports.h"

#include <atomic>
#include <cstdarg>
#include <map>
#include <vector>

#include "platform/sync.h"
#include "platform/tick.h"
#include "platform/wformat.h"
#include "zev/object.h"
#include "zev/registry.h"

namespace zev {
namespace {

constexpr size_t kMaxLineChars = 2048;
constexpr uint32_t kCensusLifetimeMs = 10000;
constexpr const char16_t* kRule = u"-------------------------------------";

struct Census {
    platform::CCriticalSection lock;
    std::map<std::u16string, int32_t> counts;
};

Census& TheCensus() {
    static Census census;
    return census;
}

// Read and written without the census lock: two threads may both rebuild, which only repeats work.
std::atomic<uint32_t> g_lastRebuild{0};
std::atomic<uint32_t (*)()> g_tickSource{&GetTickCount};

void RebuildCensus() {
    const uint32_t now = g_tickSource.load()();
    if (now - g_lastRebuild.load(std::memory_order_relaxed) < kCensusLifetimeMs) {
        return;
    }
    g_lastRebuild.store(now, std::memory_order_relaxed);
    Census& census = TheCensus();
    {
        platform::CSingleLock<platform::CCriticalSection> guard(census.lock);
        census.counts.clear();
    }
    ForEachRegisteredObject([&census](CObject* object) {
        const char16_t* name = object->GetClassName();
        platform::CSingleLock<platform::CCriticalSection> guard(census.lock);
        ++census.counts[name];
    });
}

}  // namespace

void WriteReportLine(IByteSink* stream, const char16_t* format, ...) {
    if (stream == nullptr) {
        return;
    }
    std::u16string line;
    va_list args;
    va_start(args, format);
    AppendFormatWideV(line, format, args, kMaxLineChars);
    va_end(args);
    std::vector<uint8_t> bytes;
    bytes.reserve(line.size() * 2);
    for (const char16_t c : line) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (!bytes.empty()) {
        stream->Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    static constexpr uint8_t kLineFeed[2] = {0x0A, 0x00};
    stream->Write(kLineFeed, sizeof kLineFeed);
}

void ReportDanglingObjects(IByteSink* stream) {
    if (!IsRegistryEnabled()) {
        return;
    }
    constexpr const char16_t* kHeader = u"%-10.10s %-3.3s %-20.20s %-22.22s %-20.20s";
    WriteReportLine(stream, kHeader, u"Objects", u"Ref", u"Class", u"Name", u"Owner");
    WriteReportLine(stream, kHeader, kRule, kRule, kRule, kRule, kRule);

    // A parent's reference is given back at once, unless it is the last one: releasing that would
    // delete an object that may still be due in the walk, and the line would go missing. Those few
    // go once the walk is over.
    std::vector<ObjectRef<CObject>> lastReferences;
    int count = 0;
    ForEachRegisteredObject([&](CObject* object) {
        const std::u16string name = object->GetObjectName();
        ObjectRef<CObject> parent(object->GetParent());
        const std::u16string owner = parent ? parent->GetObjectName() : std::u16string();
        if (parent && !parent->ReleaseUnlessLast()) {
            lastReferences.push_back(std::move(parent));
        } else {
            parent.Detach();  // already given back, or none
        }
        // The whole address, as wide as the platform's pointers.
        WriteReportLine(stream, u"0x%0.8zx %3.3d %-20.20s %-22.22s %s",
                        reinterpret_cast<size_t>(object), static_cast<int>(object->GetRefCount()),
                        object->GetClassName(), name.c_str(), owner.c_str());
        ++count;
    });
    WriteReportLine(stream, kRule);
    WriteReportLine(stream, u"%d dangling object(s)", count);
}

void ReportClassInstances(IByteSink* stream) {
    RebuildCensus();
    Census& census = TheCensus();
    platform::CSingleLock<platform::CCriticalSection> guard(census.lock);
    WriteReportLine(stream, u"%-20.20s %-10.10s", u"Class", u"Instances");
    WriteReportLine(stream, u"%-20.20s %-10.10s", kRule, kRule);
    for (const auto& [name, instances] : census.counts) {
        WriteReportLine(stream, u"%-20.20s %10d", name.c_str(), instances);
    }
    WriteReportLine(stream, kRule);
}

void GetClassNames(std::u16string& out) {
    RebuildCensus();
    Census& census = TheCensus();
    platform::CSingleLock<platform::CCriticalSection> guard(census.lock);
    for (const auto& entry : census.counts) {
        if (!out.empty()) {
            out += u"\r\n";
        }
        out += entry.first;
    }
}

int GetClassInstanceCount(const char16_t* className) {
    RebuildCensus();
    if (className == nullptr) {
        return kNoInstances;
    }
    Census& census = TheCensus();
    platform::CSingleLock<platform::CCriticalSection> guard(census.lock);
    const auto it = census.counts.find(className);
    return it == census.counts.end() ? kNoInstances : it->second;
}

void SetCensusTickSourceForTesting(uint32_t (*tickSource)()) {
    g_tickSource.store(tickSource == nullptr ? &GetTickCount : tickSource);
    g_lastRebuild.store(0);
    Census& census = TheCensus();
    platform::CSingleLock<platform::CCriticalSection> guard(census.lock);
    census.counts.clear();
}

}  // namespace zev
