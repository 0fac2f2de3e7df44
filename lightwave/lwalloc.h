// Arrays of the reader. Large ones are mapped on their own, aligned and
// backed by huge pages where the system offers them: a million-polygon
// object otherwise spends most of its load in page faults. Every array made
// here is zero-filled and must be released with lwFree.
#pragma once
#include <cstddef>
#include <cstdint>

void* lwAlloc(size_t count, size_t size);                      // zero-filled; null on failure
void* lwGrow(void* array, size_t oldCount, size_t newCount, size_t size);  // keeps the old, zeroes the new
void lwFree(void* array);                                      // accepts null

// The count -> carve -> fill pass that gives each of `count` records its own
// run of entries inside one block: `visit(place)` calls place(record, entry)
// for every entry in order. A first visit counts the entries of each record
// into its `size` field; then the block is made, each record's `run` points
// at its part (runs in record order) and a second visit fills the runs. No
// block is made when there are no entries; false when it cannot be made.
template <class Record, class Entry, class Visit>
bool carveRuns(Record* records, int32_t count, int32_t Record::*size, Entry* Record::*run, Entry** block,
               Visit visit)
{
    int64_t total = 0;
    visit([&](Record* r, const Entry&) {
        ++(r->*size);
        ++total;
    });
    if (total == 0) return true;
    *block = static_cast<Entry*>(lwAlloc(size_t(total), sizeof(Entry)));
    if (!*block) return false;
    Entry* at = *block;
    for (int32_t i = 0; i < count; ++i) {
        Record* r = &records[i];
        if (r->*size == 0) continue;
        r->*run = at;
        at += r->*size;
        r->*size = 0;
    }
    visit([&](Record* r, const Entry& e) { (r->*run)[(r->*size)++] = e; });
    return true;
}
