// IntArray: the library's growable array of int, a plain value type with
// element-wise arithmetic, search, statistics, hashing and sorting. Lists of
// person, marker and allele numbers in the pedigree toolkit are IntArrays.
//
// Invariants: `items` always points at `capacity` >= `count` slots (an empty
// array still owns `alloc` of them); elements added by construction or by
// Dimension are not initialised. Growth replaces the storage and so
// invalidates pointers into it; storage never shrinks. Indices are the
// caller's responsibility: nothing here checks them.
#ifndef LOCI_BASE_INTARRAY_H
#define LOCI_BASE_INTARRAY_H

#include <cstdio>

class IntArray {
public:
   static int alloc;  // allocation quantum

   // startSize uninitialised elements, in the next multiple of alloc above it.
   explicit IntArray(int startSize = 0);
   IntArray(const IntArray& source);
   ~IntArray();

   IntArray& operator=(const IntArray& rhs);

   // Room for newSize elements; never shrinks, never changes the count.
   void Grow(int newSize);
   // Grow, then count = n; new elements are unspecified.
   void Dimension(int n) {
      Grow(n);
      count = n;
   }
   void Swap(IntArray& other);

   int Length() const { return count; }
   int Capacity() const { return capacity; }
   int& operator[](int i) { return items[i]; }
   int operator[](int i) const { return items[i]; }

   void Set(int value);
   void SetSequence(int start, int increment);
   void Zero();

   void Append(int value);
   void Append(const IntArray& rhs);
   void Stack(const IntArray& rhs) { Append(rhs); }
   // Appends only a value not present yet (linear scan).
   void PushIfNew(int value);
   void InsertAt(int index, int value);
   // Returns the new count.
   int Delete(int index);
   void Reverse();

   // Sum of elements start..end inclusive; 0 when start > end.
   int Sum(int start, int end) const;
   // Extremes of elements start..end inclusive; 0 when start >= count.
   int Max(int start, int end) const;
   int Min(int start, int end) const;
   // First index holding the value, or -1.
   int Find(int value) const;
   // An index holding the value in an ascending array, or -1.
   int BinarySearch(int value) const;
   int CountIfGreater(int threshold) const;
   int CountIfGreaterOrEqual(int threshold) const;
   int Product() const;
   double DoubleProduct() const;
   // Fatal when the counts differ.
   int InnerProduct(const IntArray& v) const;
   bool isAscending() const;
   bool isDescending() const;
   bool operator==(const IntArray& rhs) const;
   bool operator!=(const IntArray& rhs) const { return !(*this == rhs); }
   // lookup2 over the elements' bytes as stored.
   unsigned int Hash(int initval) const;

   void Add(int value);
   void Multiply(int value);
   // Truncates toward zero; value must not be 0.
   void Divide(int value);
   // Fatal when the counts differ.
   void Add(const IntArray& v);

   static int Compare(int* a, int* b);
   void Sort();
   // Sorts ascending and applies every exchange to freeRider too.
   void Sort(IntArray& freeRider);

   // "<label> [<count> elements]: " then each element and a blank.
   void Print(FILE* output, const char* label) const;
   void Print(FILE* output) const { Print(output, "Array of Integers"); }

private:
   int* items;
   int capacity;
   int count;
};

#endif
