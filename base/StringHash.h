// Open-addressing hash tables keyed by String: StringHash maps a key to an
// untyped pointer (not owned), StringIntHash to an int (and counts strings),
// StringDoubleHash to a double. The pedigree toolkit does every name-to-number
// lookup through them.
//
// Keys never depend on String::caseSensitive: they hash with hash_no_case and
// compare with SlowCompare, so 'Abc' and 'aBC' are one key, stored in the case
// it was first added in.
//
// Invariants: capacity is a power of two and the home slot of a key is its
// stored hash code masked by capacity - 1; every key is reachable from its home
// slot by stepping +1 (wrapping) over occupied slots only, with no tombstones;
// after each insertion at least half of the slots are empty. The table doubles
// when more than half full, halves (never below 32 slots) when deletion leaves
// it less than an eighth full, and is cut to 256 slots by Clear.
//
// Slot numbers returned by Add and Find stay valid only until the next
// insertion, deletion, Clear or SetSize, any of which may move entries.
#ifndef LOCI_BASE_STRINGHASH_H
#define LOCI_BASE_STRINGHASH_H

#include <cstdio>

#include "base/StringBasics.h"
#include "io/InputFile.h"

// The shared table algorithms, private to StringHash.cpp.
struct StringHashTables;

class StringHash {
public:
   // Fatal unless startSize is a power of two (1 or more).
   explicit StringHash(int startSize = 32);
   StringHash(const StringHash& source);
   virtual ~StringHash();

   // Clear, then adds every entry of rhs in rhs's slot order.
   StringHash& operator=(const StringHash& rhs);
   void Swap(StringHash& other);

   // Inserts the key if absent, stores the value; returns the key's slot.
   int Add(const String& key, void* object);
   // The key's slot, or -1.
   int Find(const String& key) const;
   // As Find, but an absent key is inserted with makeValue() as its value;
   // with a null makeValue an absent key stays absent and -1 is returned.
   int Find(const String& key, void* (*makeValue)());
   // Empties the slot; slots outside the table or already empty are ignored.
   void Delete(unsigned int slot);
   // Rebuilds with newCapacity slots; fatal unless a power of two larger than
   // the number of entries.
   void SetSize(int newCapacity);
   void Clear();

   // A new, empty 32-slot table; fits Find's makeValue, for tables of tables.
   static void* CreateHash();

   int Capacity() const { return static_cast<int>(capacity); }
   int Entries() const { return count; }
   bool SlotInUse(int slot) const;
   // Key and value of an occupied slot.
   const String& operator[](int slot) const { return *keyStrings[slot]; }
   void* ValueAt(int slot) const { return values[slot]; }

   // Every key, in slot order, one per line. A file that cannot be opened is
   // passed over silently.
   void Print(FILE* f);
   void Print();
   void Print(const char* filename);

   // Adds each line, trimmed, as a key with a null value. A file that cannot
   // be opened is passed over silently.
   void ReadLinesFromFile(IFILE& f);
   void ReadLinesFromFile(FILE* f);
   void ReadLinesFromFile(const char* filename);

private:
   using Value = void*;
   friend struct StringHashTables;

   String** keyStrings;  // null marks an empty slot
   void** values;
   unsigned int* hashCodes;
   int count;
   unsigned int capacity;
   unsigned int mask;
};

class StringIntHash {
public:
   // Fatal unless startSize is a power of two (1 or more).
   explicit StringIntHash(int startSize = 32);
   StringIntHash(const StringIntHash& source);
   virtual ~StringIntHash();

   StringIntHash& operator=(const StringIntHash& rhs);

   int Add(const String& key, int value);
   int Find(const String& key) const;
   // As Find, but an absent key is inserted with defaultValue.
   int Find(const String& key, int defaultValue);
   void Delete(unsigned int slot);
   void SetSize(int newCapacity);
   void Clear();

   // The key's value, 0 when absent; never inserts.
   int GetCount(const String& key) const;
   // Adds (subtracts) 1, inserting an absent key with 1 (-1); returns the
   // new value.
   int IncrementCount(const String& key);
   int DecrementCount(const String& key);

   int Capacity() const { return static_cast<int>(capacity); }
   int Entries() const { return count; }
   bool SlotInUse(int slot) const;
   const String& operator[](int slot) const { return *keyStrings[slot]; }
   int ValueAt(int slot) const { return values[slot]; }

private:
   using Value = int;
   friend struct StringHashTables;

   String** keyStrings;
   int* values;
   unsigned int* hashCodes;
   int count;
   unsigned int capacity;
   unsigned int mask;
};

class StringDoubleHash {
public:
   // Fatal unless startSize is a power of two (1 or more).
   explicit StringDoubleHash(int startSize = 32);
   StringDoubleHash(const StringDoubleHash& source);
   virtual ~StringDoubleHash();

   StringDoubleHash& operator=(const StringDoubleHash& rhs);

   int Add(const String& key, double value);
   int Find(const String& key) const;
   // As Find, but an absent key is inserted with defaultValue.
   int Find(const String& key, double defaultValue);
   void Delete(unsigned int slot);
   void SetSize(int newCapacity);
   void Clear();

   int Capacity() const { return static_cast<int>(capacity); }
   int Entries() const { return count; }
   bool SlotInUse(int slot) const;
   const String& operator[](int slot) const { return *keyStrings[slot]; }
   double ValueAt(int slot) const { return values[slot]; }

private:
   using Value = double;
   friend struct StringHashTables;

   String** keyStrings;
   double* values;
   unsigned int* hashCodes;
   int count;
   unsigned int capacity;
   unsigned int mask;
};

#endif
