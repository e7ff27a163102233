// Sorted maps keyed by String: StringMap (key -> untyped pointer) and
// StringIntMap (key -> int, with counting helpers).
//
// Entries are held in parallel arrays sorted by key, so lookups are
// bisection searches and a key can also be found from any beginning of it
// (its stem). Keys are compared with String::SlowCompare: case is ignored and
// runs of digits compare as numbers ('a9' < 'a10'); String::caseSensitive has
// no effect here.
//
// Invariants: positions 0 .. Length() - 1 are filled; keys are strictly
// ascending, so keys differing only in case are one key; each key is a private
// copy owned by the map. A StringMap never owns or frees its objects. A
// position stays valid until the next insertion or deletion before it.
#ifndef LOCI_BASE_STRINGMAP_H
#define LOCI_BASE_STRINGMAP_H

#include "base/StringBasics.h"

class StringMap {
public:
   static int alloc;  // allocation granule

   explicit StringMap(int startSize = 0);
   virtual ~StringMap();
   StringMap(const StringMap&) = delete;
   StringMap& operator=(const StringMap&) = delete;

   // Replaces the object of an equal key (the stored key text is kept) or
   // inserts a copy of `key`; returns the entry's position.
   int Add(const String& key, void* object);

   // Position of the equal key, or -1.
   int Find(const String& key) const;
   // As above, but a missing key is inserted with the object `create()`
   // returns, unless `create` is null.
   int Find(const String& key, void* (*create)());

   // A new empty StringMap on the heap (owned by the caller), for use as the
   // `create` argument when building maps of maps.
   static void* CreateMap();

   // Position of the only key that begins with `stem`; -2 when several do,
   // -1 when none does. A key equal to `stem` that also begins a longer key
   // is ambiguous.
   int FindStem(const String& stem) const;
   // Position of the lowest key that begins with `stem`, or -1.
   int FindFirstStem(const String& stem) const;

   // Removes one entry; `position` must be valid. The object is not touched.
   void Delete(int position);
   void Clear();
   // Makes room for at least `size` + 1 entries.
   void Grow(int size);

   int Length() const { return count; }
   const String& operator[](int position) const { return *keys[position]; }
   void* Object(int position) const { return objects[position]; }

private:
   String** keys;
   void** objects;
   int count;
   int capacity;

   int Insert(int position, const String& key, void* object);
};

class StringIntMap {
public:
   static int alloc;  // allocation granule

   explicit StringIntMap(int startSize = 0);
   virtual ~StringIntMap();
   StringIntMap(const StringIntMap&) = delete;
   StringIntMap& operator=(const StringIntMap&) = delete;

   // Replaces the value of an equal key or inserts a copy of `key`.
   int Add(const String& key, int value);

   int Find(const String& key) const;
   // As above, but a missing key is inserted with `value`.
   int Find(const String& key, int value);

   // The key's value, or 0 when absent (nothing is inserted).
   int GetCount(const String& key) const;
   // Adjust the key's value by one and return it; an absent key starts at 0.
   int IncrementCount(const String& key);
   int DecrementCount(const String& key);

   // As StringMap::FindStem.
   int FindStem(const String& stem) const;

   void Delete(int position);
   void Clear();
   void Grow(int size);

   int Length() const { return count; }
   const String& operator[](int position) const { return *keys[position]; }
   int Integer(int position) const { return integers[position]; }

private:
   String** keys;
   int* integers;
   int count;
   int capacity;

   int Insert(int position, const String& key, int value);
};

#endif
