#include "base/StringHash.h"

#include <utility>

#include "base/Hash.h"
#include "io/Error.h"

// The three tables share one layout and differ only in their value type, so
// their algorithms are written once here over that layout.
struct StringHashTables {
   static unsigned int KeyHash(const String& key) {
      return hash_no_case(reinterpret_cast<const unsigned char*>(static_cast<const char*>(key)),
                          key.Length(), 0);
   }

   // A size below 1 would leave no slot to probe, so it is refused with the
   // power-of-two message.
   template <class Table>
   static void Construct(Table& t, int startSize, const char* className) {
      if (startSize < 1 || (startSize & (startSize - 1)) != 0)
         error("%s: Hash table size must be a power of two.\n", className);
      t.count = 0;
      Allocate(t, static_cast<unsigned int>(startSize));
   }

   template <class Table>
   static void Allocate(Table& t, unsigned int n) {
      t.keyStrings = new String*[n];
      t.values = new typename Table::Value[n];
      t.hashCodes = new unsigned int[n];
      for (unsigned int i = 0; i < n; i++) t.keyStrings[i] = nullptr;
      t.capacity = n;
      t.mask = n - 1;
   }

   template <class Table>
   static void Release(Table& t) {
      for (unsigned int i = 0; i < t.capacity; i++) delete t.keyStrings[i];
      delete[] t.keyStrings;
      delete[] t.values;
      delete[] t.hashCodes;
   }

   // The slot holding the key, or the empty slot where the probe ended.
   template <class Table>
   static unsigned int Probe(const Table& t, const String& key, unsigned int h) {
      unsigned int slot = h & t.mask;
      // The stored code is compared first: strings are compared only on full
      // 32-bit collisions or true matches.
      while (t.keyStrings[slot] != nullptr &&
             (t.hashCodes[slot] != h || t.keyStrings[slot]->SlowCompare(key) != 0))
         slot = (slot + 1) & t.mask;
      return slot;
   }

   template <class Table>
   static int Lookup(const Table& t, const String& key) {
      unsigned int slot = Probe(t, key, KeyHash(key));
      return t.keyStrings[slot] == nullptr ? -1 : static_cast<int>(slot);
   }

   // Stores a copy of the key in the empty slot where its probe ended.
   template <class Table>
   static void Occupy(Table& t, unsigned int slot, const String& key, unsigned int h) {
      t.keyStrings[slot] = new String(key);
      t.hashCodes[slot] = h;
      t.count++;
   }

   // Doubles the table once it is more than half full; returns the key's
   // slot, which the rebuild may have moved.
   template <class Table>
   static int Settle(Table& t, const String& key, unsigned int h, unsigned int slot) {
      if (2u * static_cast<unsigned int>(t.count) > t.capacity) {
         Rebuild(t, 2 * t.capacity);
         slot = Probe(t, key, h);
      }
      return static_cast<int>(slot);
   }

   template <class Table>
   static int Add(Table& t, const String& key, typename Table::Value value) {
      unsigned int h = KeyHash(key);
      unsigned int slot = Probe(t, key, h);
      if (t.keyStrings[slot] == nullptr) Occupy(t, slot, key, h);
      t.values[slot] = value;
      return Settle(t, key, h, slot);
   }

   template <class Table>
   static int FindOrAdd(Table& t, const String& key, typename Table::Value value) {
      unsigned int h = KeyHash(key);
      unsigned int slot = Probe(t, key, h);
      if (t.keyStrings[slot] != nullptr) return static_cast<int>(slot);
      Occupy(t, slot, key, h);
      t.values[slot] = value;
      return Settle(t, key, h, slot);
   }

   // Stored hash codes are reused: a rebuild never rehashes a key.
   template <class Table>
   static void Rebuild(Table& t, unsigned int n) {
      // Probing needs a power of two with a free slot left; anything else
      // would read outside the table or search forever.
      if (n == 0 || (n & (n - 1)) != 0 || n <= static_cast<unsigned int>(t.count))
         error("Hash table size %u must be a power of two larger than its %d entries.\n", n,
               t.count);
      String** oldKeys = t.keyStrings;
      typename Table::Value* oldValues = t.values;
      unsigned int* oldCodes = t.hashCodes;
      unsigned int oldCapacity = t.capacity;

      Allocate(t, n);
      for (unsigned int i = 0; i < oldCapacity; i++) {
         if (oldKeys[i] == nullptr) continue;
         unsigned int slot = oldCodes[i] & t.mask;
         while (t.keyStrings[slot] != nullptr) slot = (slot + 1) & t.mask;
         t.keyStrings[slot] = oldKeys[i];
         t.values[slot] = oldValues[i];
         t.hashCodes[slot] = oldCodes[i];
      }
      delete[] oldKeys;
      delete[] oldValues;
      delete[] oldCodes;
   }

   template <class Table>
   static void Delete(Table& t, unsigned int slot) {
      if (slot >= t.capacity || t.keyStrings[slot] == nullptr) return;
      delete t.keyStrings[slot];
      t.keyStrings[slot] = nullptr;
      t.count--;

      if (8u * static_cast<unsigned int>(t.count) < t.capacity && t.capacity > 32) {
         Rebuild(t, t.capacity / 2);
         return;
      }

      // Without tombstones, every later key of the cluster whose probe path
      // now meets the hole before reaching it must move into the hole.
      for (unsigned int i = (slot + 1) & t.mask; t.keyStrings[i] != nullptr; i = (i + 1) & t.mask) {
         unsigned int j = t.hashCodes[i] & t.mask;
         while (j != i && t.keyStrings[j] != nullptr) j = (j + 1) & t.mask;
         if (j == i) continue;
         t.keyStrings[j] = t.keyStrings[i];
         t.hashCodes[j] = t.hashCodes[i];
         t.values[j] = t.values[i];
         t.keyStrings[i] = nullptr;
      }
   }

   template <class Table>
   static void Clear(Table& t) {
      for (unsigned int i = 0; i < t.capacity; i++) {
         delete t.keyStrings[i];
         t.keyStrings[i] = nullptr;
      }
      t.count = 0;
      if (t.capacity > 256) Rebuild(t, 256);
   }

   template <class Table>
   static void Assign(Table& t, const Table& rhs) {
      if (&t == &rhs) return;
      Clear(t);
      for (unsigned int i = 0; i < rhs.capacity; i++)
         if (rhs.keyStrings[i] != nullptr) Add(t, *rhs.keyStrings[i], rhs.values[i]);
   }

   template <class Table>
   static bool InUse(const Table& t, int slot) {
      return slot >= 0 && static_cast<unsigned int>(slot) < t.capacity &&
             t.keyStrings[slot] != nullptr;
   }

   // Counting: absent keys enter with +-1; returns the new value.
   static int Count(StringIntHash& t, const String& key, int step) {
      int slot = Lookup(t, key);
      if (slot == -1) {
         Add(t, key, step);
         return step;
      }
      return t.values[slot] += step;
   }

   static int FindOrMake(StringHash& t, const String& key, void* (*makeValue)()) {
      unsigned int h = KeyHash(key);
      unsigned int slot = Probe(t, key, h);
      if (t.keyStrings[slot] != nullptr) return static_cast<int>(slot);
      if (makeValue == nullptr) return -1;
      Occupy(t, slot, key, h);
      t.values[slot] = makeValue();
      return Settle(t, key, h, slot);
   }
};

// ---------------------------------------------------------------- StringHash

StringHash::StringHash(int startSize) {
   StringHashTables::Construct(*this, startSize, "StringHash");
}

StringHash::StringHash(const StringHash& source) : StringHash(32) {
   StringHashTables::Assign(*this, source);
}

StringHash::~StringHash() {
   StringHashTables::Release(*this);
}

StringHash& StringHash::operator=(const StringHash& rhs) {
   StringHashTables::Assign(*this, rhs);
   return *this;
}

void StringHash::Swap(StringHash& other) {
   std::swap(keyStrings, other.keyStrings);
   std::swap(values, other.values);
   std::swap(hashCodes, other.hashCodes);
   std::swap(count, other.count);
   std::swap(capacity, other.capacity);
   std::swap(mask, other.mask);
}

int StringHash::Add(const String& key, void* object) {
   return StringHashTables::Add(*this, key, object);
}

int StringHash::Find(const String& key) const {
   return StringHashTables::Lookup(*this, key);
}

int StringHash::Find(const String& key, void* (*makeValue)()) {
   return StringHashTables::FindOrMake(*this, key, makeValue);
}

void StringHash::Delete(unsigned int slot) {
   StringHashTables::Delete(*this, slot);
}

void StringHash::SetSize(int newCapacity) {
   StringHashTables::Rebuild(*this, static_cast<unsigned int>(newCapacity));
}

void StringHash::Clear() {
   StringHashTables::Clear(*this);
}

void* StringHash::CreateHash() {
   return new StringHash(32);
}

bool StringHash::SlotInUse(int slot) const {
   return StringHashTables::InUse(*this, slot);
}

void StringHash::Print(FILE* f) {
   for (unsigned int i = 0; i < capacity; i++)
      if (keyStrings[i] != nullptr) keyStrings[i]->WriteLine(f);
}

void StringHash::Print() {
   Print(stdout);
}

void StringHash::Print(const char* filename) {
   FILE* f = fopen(filename, "wt");
   if (f == nullptr) return;
   Print(f);
   fclose(f);
}

void StringHash::ReadLinesFromFile(IFILE& f) {
   String buffer;
   while (!ifeof(f)) {
      buffer.ReadLine(f);
      buffer.Trim();
      Add(buffer, nullptr);
   }
}

void StringHash::ReadLinesFromFile(FILE* f) {
   String buffer;
   while (!feof(f)) {
      buffer.ReadLine(f);
      buffer.Trim();
      Add(buffer, nullptr);
   }
}

void StringHash::ReadLinesFromFile(const char* filename) {
   IFILE f = ifopen(filename, "rb");
   if (f == nullptr) return;
   ReadLinesFromFile(f);
   ifclose(f);
}

// ---------------------------------------------------------------- StringIntHash

StringIntHash::StringIntHash(int startSize) {
   StringHashTables::Construct(*this, startSize, "StringIntHash");
}

StringIntHash::StringIntHash(const StringIntHash& source) : StringIntHash(32) {
   StringHashTables::Assign(*this, source);
}

StringIntHash::~StringIntHash() {
   StringHashTables::Release(*this);
}

StringIntHash& StringIntHash::operator=(const StringIntHash& rhs) {
   StringHashTables::Assign(*this, rhs);
   return *this;
}

int StringIntHash::Add(const String& key, int value) {
   return StringHashTables::Add(*this, key, value);
}

int StringIntHash::Find(const String& key) const {
   return StringHashTables::Lookup(*this, key);
}

int StringIntHash::Find(const String& key, int defaultValue) {
   return StringHashTables::FindOrAdd(*this, key, defaultValue);
}

void StringIntHash::Delete(unsigned int slot) {
   StringHashTables::Delete(*this, slot);
}

void StringIntHash::SetSize(int newCapacity) {
   StringHashTables::Rebuild(*this, static_cast<unsigned int>(newCapacity));
}

void StringIntHash::Clear() {
   StringHashTables::Clear(*this);
}

bool StringIntHash::SlotInUse(int slot) const {
   return StringHashTables::InUse(*this, slot);
}

int StringIntHash::GetCount(const String& key) const {
   int slot = Find(key);
   return slot == -1 ? 0 : values[slot];
}

int StringIntHash::IncrementCount(const String& key) {
   return StringHashTables::Count(*this, key, 1);
}

int StringIntHash::DecrementCount(const String& key) {
   return StringHashTables::Count(*this, key, -1);
}

// ---------------------------------------------------------------- StringDoubleHash

StringDoubleHash::StringDoubleHash(int startSize) {
   StringHashTables::Construct(*this, startSize, "StringDoubleHash");
}

StringDoubleHash::StringDoubleHash(const StringDoubleHash& source) : StringDoubleHash(32) {
   StringHashTables::Assign(*this, source);
}

StringDoubleHash::~StringDoubleHash() {
   StringHashTables::Release(*this);
}

StringDoubleHash& StringDoubleHash::operator=(const StringDoubleHash& rhs) {
   StringHashTables::Assign(*this, rhs);
   return *this;
}

int StringDoubleHash::Add(const String& key, double value) {
   return StringHashTables::Add(*this, key, value);
}

int StringDoubleHash::Find(const String& key) const {
   return StringHashTables::Lookup(*this, key);
}

int StringDoubleHash::Find(const String& key, double defaultValue) {
   return StringHashTables::FindOrAdd(*this, key, defaultValue);
}

void StringDoubleHash::Delete(unsigned int slot) {
   StringHashTables::Delete(*this, slot);
}

void StringDoubleHash::SetSize(int newCapacity) {
   StringHashTables::Rebuild(*this, static_cast<unsigned int>(newCapacity));
}

void StringDoubleHash::Clear() {
   StringHashTables::Clear(*this);
}

bool StringDoubleHash::SlotInUse(int slot) const {
   return StringHashTables::InUse(*this, slot);
}
