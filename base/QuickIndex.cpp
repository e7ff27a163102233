#include "base/QuickIndex.h"

#include "base/Sort_internal.h"

QuickIndex::QuickIndex() : IntArray(0), source(nullptr), datatype(kNone) {}

void QuickIndex::Build(const void* newSource, int newDatatype, int length) {
   source = newSource;
   datatype = newDatatype;
   Dimension(length);
   SetSequence(0, 1);
   Sort();
}

void QuickIndex::Index(const StringArray& strings) {
   Build(&strings, kStringArray, strings.Length());
}

void QuickIndex::Index(const Vector& values) {
   Build(&values, kVector, values.Length());
}

void QuickIndex::Index(const IntArray& values) {
   Build(&values, kIntArray, values.Length());
}

void QuickIndex::IndexCounts(const StringIntMap& counts) {
   IntArray values(counts.Length());
   for (int i = 0; i < counts.Length(); i++) values[i] = counts.Integer(i);
   Index(values);
   // The copy dies here; a later Sort must not reach it.
   source = nullptr;
   datatype = kNone;
}

bool QuickIndex::IsBefore(int i, int j) const {
   int a = (*this)[i], b = (*this)[j];
   switch (datatype) {
      case kIntArray: {
         const IntArray& values = *static_cast<const IntArray*>(source);
         return values[a] < values[b];
      }
      case kStringArray: {
         const StringArray& strings = *static_cast<const StringArray*>(source);
         return strings[a].SlowCompare(strings[b]) < 0;
      }
      case kVector: {
         const Vector& values = *static_cast<const Vector*>(source);
         return values[a] < values[b];
      }
      default:
         return false;
   }
}

// The quicksort of the generic routines, run over the index entries.
void QuickIndex::Sort() {
   // Without a source every entry ties, and the swaps would only scramble.
   if (Length() < 2 || source == nullptr) return;

   loci_internal::SortRange stack[loci_internal::kQuickSortDepth];
   IntArray& index = *this;
   loci_internal::QuickSortSteps(
       static_cast<size_t>(Length()), stack,
       [this](size_t x, size_t y) { return IsBefore(static_cast<int>(x), static_cast<int>(y)); },
       [&index](size_t x, size_t y) {
          int t = index[static_cast<int>(x)];
          index[static_cast<int>(x)] = index[static_cast<int>(y)];
          index[static_cast<int>(y)] = t;
       });
}
