#include "base/LongLongCounter.h"

#include <cstdint>

LongCounter::LongCounter() : count(0), size(32), mask(31) {
   counts = new int[size];
   keys = new long long[size];
   occupied = new bool[size];
   for (unsigned int i = 0; i < size; i++) occupied[i] = false;
}

LongCounter::~LongCounter() {
   delete[] counts;
   delete[] keys;
   delete[] occupied;
}

unsigned int LongCounter::Home(long long key) const {
   return static_cast<uint32_t>(static_cast<unsigned long long>(key)) & mask;
}

unsigned int LongCounter::Probe(long long key) const {
   unsigned int slot = Home(key);
   while (occupied[slot] && keys[slot] != key) slot = (slot + 1) & mask;
   return slot;
}

void LongCounter::IncrementCount(long long key) {
   Step(key, 1);
}

void LongCounter::DecrementCount(long long key) {
   Step(key, -1);
}

int LongCounter::GetCount(long long key) const {
   unsigned int slot = Probe(key);
   return occupied[slot] ? counts[slot] : 0;
}

void LongCounter::Step(long long key, int delta) {
   unsigned int slot = Probe(key);
   if (occupied[slot]) {
      counts[slot] += delta;
      if (counts[slot] == 0) Remove(slot);
      return;
   }

   // Grow before inserting, so the probe below always meets a free slot.
   if (count * 2 > size) {
      Rebuild(size * 2);
      slot = Probe(key);
   }
   keys[slot] = key;
   counts[slot] = delta;
   occupied[slot] = true;
   count++;
}

void LongCounter::Remove(unsigned int slot) {
   occupied[slot] = false;
   count--;

   if (count * 8 < size && size > 32) {
      Rebuild(size / 2);
      return;
   }

   // Without tombstones, a later key of the cluster whose probe path now meets
   // the hole before reaching it moves into the hole.
   for (unsigned int j = (slot + 1) & mask; occupied[j]; j = (j + 1) & mask) {
      unsigned int p = Home(keys[j]);
      while (p != j && occupied[p]) p = (p + 1) & mask;
      if (p == j) continue;
      keys[p] = keys[j];
      counts[p] = counts[j];
      occupied[p] = true;
      occupied[j] = false;
   }
}

void LongCounter::Rebuild(unsigned int newSize) {
   int* oldCounts = counts;
   long long* oldKeys = keys;
   bool* oldOccupied = occupied;
   unsigned int oldSize = size;

   size = newSize;
   mask = newSize - 1;
   counts = new int[size];
   keys = new long long[size];
   occupied = new bool[size];
   for (unsigned int i = 0; i < size; i++) occupied[i] = false;

   for (unsigned int i = 0; i < oldSize; i++) {
      if (!oldOccupied[i]) continue;
      unsigned int slot = Home(oldKeys[i]);
      while (occupied[slot]) slot = (slot + 1) & mask;
      keys[slot] = oldKeys[i];
      counts[slot] = oldCounts[i];
      occupied[slot] = true;
   }

   delete[] oldCounts;
   delete[] oldKeys;
   delete[] oldOccupied;
}
