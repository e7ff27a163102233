// Family: one family of a sorted pedigree, a contiguous run of its persons,
// with an order of its members in which both parents of every member come
// before it (founders first).
//
// Invariants: a family refers to its pedigree and is valid until the
// pedigree's next Sort, which destroys and rebuilds every family. Building a
// family sets each member's `traverse`; a family whose ancestry has a cycle
// cannot be ordered and its construction ends the process with a report of
// the members involved. Nothing here recurses, so pedigrees of any depth are
// safe.
#ifndef LOCI_PEDIGREE_PEDIGREEFAMILY_H
#define LOCI_PEDIGREE_PEDIGREEFAMILY_H

#include "base/IntArray.h"
#include "base/StringBasics.h"

class Pedigree;

class Family {
public:
   Pedigree& ped;
   String famid;
   int serial;
   int first, last;  // indices of the first and last members in the pedigree
   int count;
   int founders;
   int nonFounders;
   int mzTwins;  // later MZ twins of an earlier member with the same parents
   int* path;    // pedigree indices of the members in family order
   int generations;

   Family(Pedigree& ped, int first, int last, int serial);
   ~Family();
   Family(const Family&) = delete;
   Family& operator=(const Family&) = delete;

   // Reports the members that lie on or between cycles of ancestry; fatal.
   [[noreturn]] void ShowInvalidCycles();

   // Number of groups of members connected through parenthood; `groups`, when
   // given, receives each member's 1-based group in family order.
   int ConnectedGroups(IntArray* groups = nullptr);
};

#endif
