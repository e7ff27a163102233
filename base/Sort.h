// Generic sorting and searching over arrays of fixed-width elements, in the
// manner of qsort: elements move as raw bytes, so any trivially copyable type
// (or an array of pointers) can be sorted.
//
// The sorts never recurse: pending ranges wait on a stack of at most 127
// entries, and the smaller side of every partition is sorted first. They are
// not stable.
#ifndef LOCI_BASE_SORT_H
#define LOCI_BASE_SORT_H

#include <cstddef>

using COMPAREFUNC = int (*)(const void*, const void*);

void QuickSort(void* base, size_t count, size_t width, COMPAREFUNC cmp);

// Sorts `base` and applies every exchange to the same positions of `base2`,
// whose elements have the same width.
void QuickSort2(void* base, void* base2, size_t count, size_t width, COMPAREFUNC cmp);

// An element of the ascending array for which cmp(key, element) is 0, or null.
void* BinarySearch(const void* key, const void* base, size_t count, size_t width, COMPAREFUNC cmp);

#endif
