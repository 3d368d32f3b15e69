// reports.h - the object registry's diagnostic reports: dangling objects and a census of live
// instances per class. Lines are UTF-16LE, each followed by the bytes 0A 00; a null sink
// discards them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/byte_sink.h"

namespace zev {

// Every live object: address, reference count, class, object name and its parent's name.
void ReportDanglingObjects(IByteSink* stream);
// The census table, name by name.
void ReportClassInstances(IByteSink* stream);
// Appends the census's class names in name order, separated by "\r\n".
void GetClassNames(std::u16string& out);
// GetClassInstanceCount of null or of a class with no live instance.
constexpr int kNoInstances = -1;
// The census count of a class, or kNoInstances.
int GetClassInstanceCount(const char16_t* className);
// Formats one line (at most 2048 characters) and writes it with its line feed.
void WriteReportLine(IByteSink* stream, const char16_t* format, ...);

// The census is rebuilt at most once every 10 seconds (by GetTickCount). Tests only: replaces the
// tick source (null restores GetTickCount) and puts the census back as at start-up: empty, last
// rebuilt at tick 0.
void SetCensusTickSourceForTesting(uint32_t (*tickSource)());

}  // namespace zev
