// Genotype elimination over bitsets of genotypes, the fast path of the
// inheritance checks: it decides families without loops with at most ten
// typed alleles, and leaves the others to the candidate lists of
// GenotypeList.
#ifndef LOCI_PEDIGREE_GENOTYPEELIMINATION_INTERNAL_H
#define LOCI_PEDIGREE_GENOTYPEELIMINATION_INTERNAL_H

#include <cstdint>
#include <vector>

#include "pedigree/FamilySibships.h"
#include "pedigree/GenotypeLists.h"
#include "pedigree/Pedigree.h"

// Parents and children by family order position.
using SibshipShape = FamilySibships::Sibship;

struct FamilyShape {
   bool built = false;
   bool loop = false;
   int count = 0;
   int base = 0;  // first entry of the family's members in the per-member arrays
   int sibshipsBegin = 0, sibshipsEnd = 0;
};

// What genotype elimination keeps across the families and markers of one
// check: each family's shape, built when the family is first decided (a
// check may see only a few families), and buffers sized to the largest.
class EliminationScratch {
public:
   std::vector<GenotypeList> lists;

   explicit EliminationScratch(Pedigree& ped);
   // 1 when consistent, 0 when not, -1 when left to the candidate lists (loops,
   // or more than ten typed alleles).
   int Consistent(int family, int marker);

private:
   void Build(int family);

   Pedigree& ped;
   std::vector<FamilyShape> shapes;
   FamilySibships structure;
   // Per member, at the family's base plus its position.
   std::vector<Person*> members;
   // Per position of the family being solved.
   std::vector<uint64_t> domain, kept;
   std::vector<char> relevant, singleX;
   std::vector<int> queue;
   std::vector<char> state;  // per sibship
   std::vector<long long> alleleStamp = std::vector<long long>(256, -1);
   std::vector<int> alleleIndex = std::vector<int>(256);
   long long stamp = 0;
};

#endif
