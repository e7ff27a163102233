// LongCounter: counts occurrences of 64-bit integer keys in an
// open-addressing table with linear probing.
//
// Invariants: size is a power of two, at least 32; a key's home slot is its
// low 32 bits masked by size - 1 and every key is reachable from its home
// slot over occupied slots only (no tombstones); a key whose count returns to
// zero is removed, so no occupied slot holds a zero count. Counts may be
// negative. The table doubles before an insertion into a table more than half
// full and halves (never below 32 slots) when a removal leaves it less than an
// eighth full.
#ifndef LOCI_BASE_LONGLONGCOUNTER_H
#define LOCI_BASE_LONGLONGCOUNTER_H

class LongCounter {
public:
   LongCounter();
   ~LongCounter();
   LongCounter(const LongCounter&) = delete;
   LongCounter& operator=(const LongCounter&) = delete;

   // Adds (subtracts) one; an absent key enters with 1 (-1) and a key whose
   // count reaches zero leaves.
   void IncrementCount(long long key);
   void DecrementCount(long long key);
   // The key's count, 0 when absent; only reads.
   int GetCount(long long key) const;

   int Entries() const { return static_cast<int>(count); }
   int Capacity() const { return static_cast<int>(size); }

private:
   int* counts;
   long long* keys;
   bool* occupied;
   unsigned int count;
   unsigned int size;
   unsigned int mask;

   unsigned int Home(long long key) const;
   // The key's slot or the unoccupied slot where the probe ended.
   unsigned int Probe(long long key) const;
   void Step(long long key, int delta);
   void Remove(unsigned int slot);
   void Rebuild(unsigned int newSize);
};

#endif
