// QuickIndex: the sorting permutation of another container, held as an
// IntArray, so the container's own elements never move. Element k of the
// index is the source position of the k-th smallest value.
//
// The index remembers its source by address only: the source must outlive
// every later Sort. IndexCounts sorts a temporary copy and then forgets it, so
// a Sort after IndexCounts leaves the index unchanged.
#ifndef LOCI_BASE_QUICKINDEX_H
#define LOCI_BASE_QUICKINDEX_H

#include "base/IntArray.h"
#include "base/MathVector.h"
#include "base/StringArray.h"
#include "base/StringMap.h"

class QuickIndex : public IntArray {
public:
   QuickIndex();

   void Index(const StringArray& source);
   void Index(const Vector& source);
   void Index(const IntArray& source);
   // The map's positions ordered by ascending value.
   void IndexCounts(const StringIntMap& counts);

   // Whether the source value at position index[i] sorts before the one at
   // index[j]; strings compare case-insensitively.
   bool IsBefore(int i, int j) const;
   // Reorders the index so that its source values ascend (not stable).
   void Sort();

private:
   enum { kNone = 0, kVector = 1, kIntArray = 2, kStringArray = 3 };

   const void* source;
   int datatype;

   void Build(const void* newSource, int newDatatype, int length);
};

#endif
