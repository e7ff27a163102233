// The sibships of families by family order position, for checks that narrow
// genotypes sibship by sibship: each sibship's parents and children and, per
// member, the sibship it is a child in and the sibships it is a parent in.
// Families are added one at a time, their entries side by side; the sibship
// numbers in `kidOf` and `parentOf` count from the family's first sibship.
#ifndef LOCI_PEDIGREE_FAMILYSIBSHIPS_H
#define LOCI_PEDIGREE_FAMILYSIBSHIPS_H

#include <vector>

#include "pedigree/Pedigree.h"

class FamilySibships {
public:
   struct Sibship {
      int father, mother;      // members, counted from the family's first
      int kidsBegin, kidsEnd;  // into kids
   };
   // Where an added family's entries lie.
   struct Span {
      int membersBegin;  // in the per-member arrays
      int sibshipsBegin, sibshipsEnd;
   };

   // Adds the family, its members in family order.
   Span Add(const Pedigree& ped, const Family& family);

   std::vector<Sibship> sibships;
   std::vector<int> kids;
   // Per member.
   std::vector<int> kidOf;                       // sibship as a child; -1 for founders
   std::vector<int> parentOfBegin, parentOfEnd;  // into parentOf
   std::vector<int> parentOf;                    // sibships as a parent
};

#endif
