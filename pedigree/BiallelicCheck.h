// BiallelicCheck: a first pass of the inheritance check over markers with two
// alleles, 64 markers to a machine word, that sets apart the families whose
// genotypes certainly obey Mendel at a marker.
//
// Genotypes come as the 2-bit codes of a PLINK .bed (PlinkFileset::Code):
// every person is a set of possible genotypes, three bit planes per word of
// markers ("may be 1/1", "may be 1/2", "may be 2/2"), narrowed sibship by
// sibship until nothing changes. In a family without loops this decides
// exactly whether the genotypes obey Mendel. The library's checks report
// nothing at a family and marker that does (their rules, local and by
// elimination, only fire on genotypes that cannot be inherited), so only the
// other families need them: those left unsure here, which are every family
// where a set emptied, every family with a loop, and at X-linked markers
// every family with a member of unknown sex (which the X-linked rules treat
// in ways of their own).
//
// A check holds the shapes of the families of one sorted pedigree, which
// must outlive it, and the verdicts of the last block it decided.
#ifndef LOCI_PEDIGREE_BIALLELICCHECK_H
#define LOCI_PEDIGREE_BIALLELICCHECK_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pedigree/FamilySibships.h"
#include "pedigree/Pedigree.h"

class BiallelicCheck {
public:
   // An allele a marker's codes may not name (a PLINK allele "0"): the codes
   // that need it are missing genotypes.
   static constexpr unsigned char UNKNOWN_ALLELE_1 = 1;
   static constexpr unsigned char UNKNOWN_ALLELE_2 = 2;

   // `columnOf[serial]` is the column of the pedigree's person in the codes,
   // -1 for a person without genotypes (a parent the fileset lacks).
   BiallelicCheck(Pedigree& ped, const std::vector<int>& columnOf);

   // Decides every family at `markers` markers whose codes start at `codes`,
   // `bytesPerMarker` apart, four persons to a byte as in a .bed. `unknown`
   // holds a marker's UNKNOWN_ALLELE_ flags, or is null when both alleles
   // are known everywhere. `xLinked` chooses the X-linked rules.
   void Check(const unsigned char* codes, size_t bytesPerMarker, int markers, bool xLinked,
              const unsigned char* unknown = nullptr);

   // The families, in increasing order, that the library's check must see at
   // marker `marker` (counted from the first of the last Check); it reports
   // nothing for any other family there.
   const std::vector<int>& Unsure(int marker) const { return unsure[marker]; }
   // Families and markers of the last Check left unsure.
   long long UnsureCount() const;

   // For a family left unsure at a marker of the last Check, the culprits the
   // library's search finds (Pedigree::CheckFamilyMarker on the family with
   // one typed member's genotype left out at a time): pedigree indices in
   // increasing order. False when the check did not decide them (loops, X
   // with a member of unknown sex, families of more than kMostSearched).
   bool Culprits(int family, int marker, std::vector<int>& persons) const;
   static constexpr int kMostSearched = 64;

private:
   // A person's genotypes at a word of markers: bit m of each plane says
   // whether the person may be 1/1, 1/2 or 2/2 at marker m.
   struct Planes {
      uint64_t a, h, b;
   };
   using Sibship = FamilySibships::Sibship;
   struct Decided {
      int family;
      size_t begin, end;  // into culpritPool
   };
   struct Shape {
      bool loop;         // elimination is not exact: always unsure
      bool unknownSex;   // some member of unknown sex: unsure at X-linked markers
      int membersBegin;  // into column, male, ...
      int count;
      int sibshipsBegin, sibshipsEnd;
   };

   void Transpose(const unsigned char* codes, size_t bytesPerMarker, int markers);
   // The markers of the word at which the family is consistent, with the
   // member `leftOut` untyped (none when -1).
   uint64_t Consistent(const Shape& shape, bool xLinked, uint64_t unknown1, uint64_t unknown2,
                       int leftOut = -1);
   // Records the culprits of the family at the markers `inconsistent` of the
   // word starting at `first`.
   void FindCulprits(int family, const Shape& shape, bool xLinked, uint64_t unknown1,
                     uint64_t unknown2, uint64_t inconsistent, int first);

   std::vector<Shape> families;
   FamilySibships structure;
   // Per member.
   std::vector<int> column;
   std::vector<int> serial;
   std::vector<char> male;
   int columns = 0;
   // The low and high bits of every column's codes in the word being decided.
   std::vector<uint64_t> low, high;
   // Scratch for one family: three planes per member, a queue of sibships.
   std::vector<Planes> planes;
   std::vector<int> queue;
   std::vector<char> queued;
   std::vector<std::vector<int>> unsure;
   std::vector<std::vector<Decided>> decided;  // per marker, by family
   std::vector<int> culpritPool;
   std::vector<uint64_t> culpritLanes;  // per member, scratch
};

#endif
