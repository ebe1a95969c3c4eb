// Counting heap activity of the whole process, plug-ins included.
//
// The test binary that links heap_counter.cpp replaces malloc, calloc,
// realloc, free, the aligned allocators and every operator new and delete.
// The plug-ins are loaded with dlopen and resolve those symbols in the
// global scope, where the executable comes first, so their allocations pass
// through here too. While counting is on, every call is counted (a free as
// well as an allocation: both are heap traffic an output step must not have).
#pragma once

#include <cstddef>

namespace reliability {

void startHeapCount();
// Stops counting; returns the calls seen since startHeapCount.
std::size_t stopHeapCount();

}  // namespace reliability
