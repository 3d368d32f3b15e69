// expat_memory.h - expat's allocator. It allocates through operator new, like the rest of the
// library, so that a test that fails the N-th allocation reaches the reader's own memory too.
#pragma once

#include <expat.h>

namespace platform::posix {

extern const XML_Memory_Handling_Suite kExpatMemory;

// How many of expat's allocations this thread has refused so far. Expat does not always say that
// it stopped for want of memory (a failed lookup can come out as an unbound prefix), so a parse
// compares the count before and after.
unsigned ExpatAllocationFailures();

}  // namespace platform::posix
