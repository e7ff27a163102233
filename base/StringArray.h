// StringArray: a growable, ordered array of owned Strings. It is what lines
// are split into (ReplaceTokens/AddTokens merge runs of separators, AddColumns
// keeps empty fields) and what name lists are kept in.
//
// Each element is a separately allocated String owned by the array; growth,
// insertion, deletion and sorting move pointers, never characters, so
// references to elements stay valid until that element is deleted. Clear keeps
// the pointer array, so one array reused per line allocates only on growth.
#ifndef LOCI_BASE_STRINGARRAY_H
#define LOCI_BASE_STRINGARRAY_H

#include <cstdio>

#include "base/StringBasics.h"
#include "io/InputFile.h"

class StringArray {
public:
   static int alloc;  // allocation granule of the pointer array

   explicit StringArray(int startSize = 0);
   StringArray(const StringArray& source);
   virtual ~StringArray();

   StringArray& operator=(const StringArray& rhs);

   void Grow(int n);
   void Dimension(int n);
   void Clear();
   void Swap(StringArray& other);

   int Length() const { return count; }
   int Capacity() const { return capacity; }
   String& operator[](int i) { return *items[i]; }
   const String& operator[](int i) const { return *items[i]; }
   // The last element; fatal on an empty array.
   String& Last() const;
   int CharLength() const;

   int Add(const String& s);
   void InsertAt(int position, const String& s);
   void Delete(int index);
   String Pop();

   // Appends the non-empty runs between separators; returns the new count.
   int AddTokens(const String& s, const String& separators);
   int AddTokens(const String& s, char separator);
   // Appends every column, empty ones included; returns the new count.
   int AddColumns(const String& s, char separator);
   int ReplaceTokens(const String& s, const String& separators);

   int Find(const String& s) const;
   int FastFind(const String& s) const;
   int SlowFind(const String& s) const;

   void Sort();
   static int ComparisonForSort(const void* a, const void* b);
   bool operator==(const StringArray& rhs) const;

   void Trim();

   // One element per line until the input reports its end; the line read when
   // the input runs out is kept even if empty.
   void Read(IFILE& f);
   void Read(FILE* f);
   // Files that cannot be opened are passed over silently.
   void Read(const char* filename);
   void Write(FILE* f);
   void WriteLine(FILE* f);
   void Write(const char* filename);
   void WriteLine(const char* filename);
   void Print();
   void PrintLine();

private:
   String** items;
   int capacity;
   int count;
};

#endif
