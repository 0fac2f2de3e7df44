// Arrays of the reader. Large ones are mapped on their own, aligned and
// backed by huge pages where the system offers them: a million-polygon
// object otherwise spends most of its load in page faults. Every array made
// here is zero-filled and must be released with lwFree.
#pragma once
#include <cstddef>

void* lwAlloc(size_t count, size_t size);                      // zero-filled; null on failure
void* lwGrow(void* array, size_t oldCount, size_t newCount, size_t size);  // keeps the old, zeroes the new
void lwFree(void* array);                                      // accepts null
