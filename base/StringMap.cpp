#include "base/StringMap.h"

#include "base/Growth_internal.h"

#include <cctype>

int StringMap::alloc = 8;
int StringIntMap::alloc = 8;

namespace {

inline int Fold(char c) {
   return c >= 0 ? toupper(c) : c;
}
inline bool IsDigit(char c) {
   return c >= '0' && c <= '9';
}

// Smallest multiple of the granule greater than `size`.
int RoundUp(int granule, int size) {
   if (granule < 1) granule = 1;
   if (size < 0) size = 0;
   return granule * (size / granule + 1);
}

// Bisection for `key`. On a miss, `position` is where it would be inserted.
bool Locate(String* const* keys, int count, const String& key, int& position) {
   if (count == 0) {
      position = 0;
      return false;
   }
   int lo = 0, hi = count - 1;
   while (lo < hi) {
      int mid = (lo + hi) / 2;
      int cmp = key.SlowCompare(*keys[mid]);
      if (cmp == 0) {
         position = mid;
         return true;
      }
      if (cmp > 0)
         lo = mid + 1;
      else
         hi = mid - 1;
   }
   int cmp = key.SlowCompare(*keys[lo]);
   position = cmp > 0 ? lo + 1 : lo;
   return cmp == 0;
}

bool BeginsWith(const String& key, const String& stem) {
   return key.SlowCompareToStem(stem) == 0;
}

bool HasDigit(const String& text) {
   for (int i = 0; i < text.Length(); i++)
      if (IsDigit(text[i])) return true;
   return false;
}

// Orders a key's beginning against a digit-free stem as SlowCompare orders
// whole keys (case folded, digits above every other character), so that the
// keys beginning with the stem form one run that bisection can find.
// 0 when the key begins with the stem.
int StemOrder(const String& key, const String& stem) {
   const char* k = key;
   const char* s = stem;
   for (int i = 0; s[i] != 0; i++) {
      int a = Fold(k[i]), b = Fold(s[i]);
      if (a == b) continue;
      if (IsDigit(k[i])) return 1;
      return a - b;
   }
   return 0;
}

// Shared by FindStem and FindFirstStem. Under the number-aware order the keys
// sharing a beginning that ends in digits need not be adjacent ('a1', 'a2',
// 'a10'), so such stems are searched by a plain scan.
int StemSearch(String* const* keys, int count, const String& stem, bool first) {
   if (count == 0) return -1;
   if (count == 1) return BeginsWith(*keys[0], stem) ? 0 : -1;

   if (HasDigit(stem)) {
      int found = -1;
      for (int i = 0; i < count; i++) {
         if (!BeginsWith(*keys[i], stem)) continue;
         if (first) return i;
         if (found >= 0) return -2;
         found = i;
      }
      return found;
   }

   int lo = 0, hi = count - 1;
   while (lo < hi) {
      int mid = (lo + hi) / 2;
      int cmp = StemOrder(*keys[mid], stem);
      if (cmp == 0) {
         if (first) {
            while (mid > lo && BeginsWith(*keys[mid - 1], stem)) mid--;
            return mid;
         }
         if (mid > lo && BeginsWith(*keys[mid - 1], stem)) return -2;
         if (mid >= hi) return mid;
         if (BeginsWith(*keys[mid + 1], stem)) return -2;
         return mid;
      }
      if (cmp > 0)
         hi = mid - 1;
      else
         lo = mid + 1;
   }
   return BeginsWith(*keys[lo], stem) ? lo : -1;
}

}  // namespace

// ---------------------------------------------------------------- StringMap

StringMap::StringMap(int startSize) : count(0) {
   capacity = RoundUp(alloc, startSize);
   keys = new String*[capacity];
   objects = new void*[capacity];
}

StringMap::~StringMap() {
   for (int i = 0; i < count; i++) delete keys[i];
   delete[] keys;
   delete[] objects;
}

void StringMap::Grow(int size) {
   if (capacity > size) return;
   int grown = loci_internal::GrownCapacity(alloc, capacity, size);
   String** newKeys = new String*[grown];
   void** newObjects = new void*[grown];
   for (int i = 0; i < count; i++) {
      newKeys[i] = keys[i];
      newObjects[i] = objects[i];
   }
   delete[] keys;
   delete[] objects;
   keys = newKeys;
   objects = newObjects;
   capacity = grown;
}

void StringMap::Clear() {
   for (int i = 0; i < count; i++) delete keys[i];
   count = 0;
}

int StringMap::Insert(int position, const String& key, void* object) {
   Grow(count);
   for (int i = count; i > position; i--) {
      keys[i] = keys[i - 1];
      objects[i] = objects[i - 1];
   }
   keys[position] = new String(key);
   objects[position] = object;
   count++;
   return position;
}

int StringMap::Add(const String& key, void* object) {
   int position;
   if (Locate(keys, count, key, position)) {
      objects[position] = object;
      return position;
   }
   return Insert(position, key, object);
}

int StringMap::Find(const String& key) const {
   int position;
   return Locate(keys, count, key, position) ? position : -1;
}

int StringMap::Find(const String& key, void* (*create)()) {
   int position;
   if (Locate(keys, count, key, position)) return position;
   if (create == nullptr) return -1;
   return Insert(position, key, create());
}

void* StringMap::CreateMap() {
   return new StringMap(0);
}

int StringMap::FindStem(const String& stem) const {
   return StemSearch(keys, count, stem, false);
}

int StringMap::FindFirstStem(const String& stem) const {
   return StemSearch(keys, count, stem, true);
}

void StringMap::Delete(int position) {
   delete keys[position];
   count--;
   for (int i = position; i < count; i++) {
      keys[i] = keys[i + 1];
      objects[i] = objects[i + 1];
   }
}

// ---------------------------------------------------------------- StringIntMap

StringIntMap::StringIntMap(int startSize) : count(0) {
   capacity = RoundUp(alloc, startSize);
   keys = new String*[capacity];
   integers = new int[capacity];
}

StringIntMap::~StringIntMap() {
   for (int i = 0; i < count; i++) delete keys[i];
   delete[] keys;
   delete[] integers;
}

void StringIntMap::Grow(int size) {
   if (capacity > size) return;
   int grown = loci_internal::GrownCapacity(alloc, capacity, size);
   String** newKeys = new String*[grown];
   int* newIntegers = new int[grown];
   for (int i = 0; i < count; i++) {
      newKeys[i] = keys[i];
      newIntegers[i] = integers[i];
   }
   delete[] keys;
   delete[] integers;
   keys = newKeys;
   integers = newIntegers;
   capacity = grown;
}

void StringIntMap::Clear() {
   for (int i = 0; i < count; i++) delete keys[i];
   count = 0;
}

int StringIntMap::Insert(int position, const String& key, int value) {
   Grow(count);
   for (int i = count; i > position; i--) {
      keys[i] = keys[i - 1];
      integers[i] = integers[i - 1];
   }
   keys[position] = new String(key);
   integers[position] = value;
   count++;
   return position;
}

int StringIntMap::Add(const String& key, int value) {
   int position;
   if (Locate(keys, count, key, position)) {
      integers[position] = value;
      return position;
   }
   return Insert(position, key, value);
}

int StringIntMap::Find(const String& key) const {
   int position;
   return Locate(keys, count, key, position) ? position : -1;
}

int StringIntMap::Find(const String& key, int value) {
   int position;
   if (Locate(keys, count, key, position)) return position;
   return Insert(position, key, value);
}

int StringIntMap::GetCount(const String& key) const {
   int position = Find(key);
   return position < 0 ? 0 : integers[position];
}

int StringIntMap::IncrementCount(const String& key) {
   int position;
   if (Locate(keys, count, key, position)) return ++integers[position];
   Insert(position, key, 1);
   return 1;
}

int StringIntMap::DecrementCount(const String& key) {
   int position;
   if (Locate(keys, count, key, position)) return --integers[position];
   Insert(position, key, -1);
   return -1;
}

int StringIntMap::FindStem(const String& stem) const {
   return StemSearch(keys, count, stem, false);
}

void StringIntMap::Delete(int position) {
   delete keys[position];
   count--;
   for (int i = position; i < count; i++) {
      keys[i] = keys[i + 1];
      integers[i] = integers[i + 1];
   }
}
