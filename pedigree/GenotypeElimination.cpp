#include "pedigree/GenotypeElimination_internal.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "pedigree/GenotypeLists.h"
#include "pedigree/Pedigree.h"

namespace {

// Genotype elimination over bitsets, for families without loops. Every person
// takes a genotype of the alleles typed in the family: in any assignment that
// obeys Mendel, a copy of an allele that reaches no typed member can be
// renamed to a typed allele along its whole descent. Genotypes are numbered
// j(j + 1)/2 + i for alleles i <= j, so those of the first k alleles are the
// numbers below k(k + 1)/2; a person carrying one X takes the homozygous ones.
//
// Each sibship is a constraint on its parents and children. Its pass keeps a
// parental genotype only when some genotype of the other parent explains every
// child, and a child genotype only when such a couple explains it; passes
// repeat until nothing changes. Without loops the persons and sibships form a
// tree, and a tree whose every constraint is so reduced has a solution:
// choose any remaining genotype at a root, then down the tree each sibship
// reaches only persons no other branch reaches, and its pass guarantees a
// remaining choice for them that fits what is already chosen. So a family is
// consistent exactly when no one is left without genotypes, which is the
// verdict of the candidate lists; families with loops go to the lists and
// their exhaustive search.
constexpr int kMaxAlleles = 10;
constexpr int kGenotypes = kMaxAlleles * (kMaxAlleles + 1) / 2;

struct GenotypeTables {
   std::array<unsigned, kGenotypes> alleles;  // one bit per allele
   uint64_t child[kGenotypes][kGenotypes];    // children of a father and a mother
   uint64_t son[kGenotypes];                  // single-X children of a mother
   uint64_t sharing[1 << kMaxAlleles];        // genotypes with an allele of the set
   uint64_t all[kMaxAlleles + 1], single[kMaxAlleles + 1];

   GenotypeTables() {
      for (int j = 0; j < kMaxAlleles; j++)
         for (int i = 0; i <= j; i++) alleles.at(j * (j + 1) / 2 + i) = 1u << i | 1u << j;
      for (int k = 0; k <= kMaxAlleles; k++) {
         all[k] = (uint64_t(1) << k * (k + 1) / 2) - 1;
         single[k] = 0;
         for (int i = 0; i < k; i++) single[k] |= uint64_t(1) << (i * (i + 3) / 2);
      }
      for (int f = 0; f < kGenotypes; f++)
         for (int m = 0; m < kGenotypes; m++) {
            uint64_t children = 0;
            for (int g = 0; g < kGenotypes; g++) {
               unsigned a = alleles[g];
               unsigned lo = a & -a, hi = a == lo ? lo : a & ~lo;
               if (((lo & alleles[f]) && (hi & alleles[m])) ||
                   ((hi & alleles[f]) && (lo & alleles[m])))
                  children |= uint64_t(1) << g;
            }
            child[f][m] = children;
         }
      for (int m = 0; m < kGenotypes; m++) son[m] = child[m][m] & single[kMaxAlleles];
      for (unsigned set = 0; set < 1u << kMaxAlleles; set++) {
         sharing[set] = 0;
         for (int g = 0; g < kGenotypes; g++)
            if (alleles[g] & set) sharing[set] |= uint64_t(1) << g;
      }
   }
};

const GenotypeTables& Tables() {
   static const GenotypeTables tables;
   return tables;
}

int GenotypeNumber(int i, int j) {
   return i < j ? j * (j + 1) / 2 + i : i * (i + 1) / 2 + j;
}

}  // namespace

EliminationScratch::EliminationScratch(Pedigree& ped) : ped(ped), shapes(ped.familyCount) {}

void EliminationScratch::Build(int f) {
   Family& family = *ped.families[f];
   FamilyShape& shape = shapes[f];
   shape.built = true;
   shape.count = family.count;
   if (family.count > family.founders) shape.loop = GenotypeList::HasLoop(ped, &family);
   for (int i = 0; i < family.count; i++) members.push_back(ped.persons[family.path[i]]);
   FamilySibships::Span span = structure.Add(ped, family);
   shape.base = span.membersBegin;
   shape.sibshipsBegin = span.sibshipsBegin;
   shape.sibshipsEnd = span.sibshipsEnd;
   size_t largest = std::max(domain.size(), static_cast<size_t>(family.count));
   domain.resize(largest);
   kept.resize(largest);
   relevant.resize(largest);
   singleX.resize(largest);
   state.resize(structure.sibships.size());
}

int EliminationScratch::Consistent(int family, int marker) {
   if (!shapes[family].built) Build(family);
   const FamilyShape& shape = shapes[family];
   if (shape.loop) return -1;
   int n = shape.count;
   Person** member = members.data() + shape.base;
   // Sibships are numbered from the family's first in the structure, and
   // from the pedigree's first here.
   const int* childIn = structure.kidOf.data() + shape.base;
   const int* kids = structure.kids.data();
   bool xLinked = PedigreeGlobals::chromosomeX;
   // A sibship is waiting (1), done until a member changes (0), or left out
   // because nothing is typed at or below any of its children (2): such
   // members fit any parents.
   for (int s = shape.sibshipsBegin; s < shape.sibshipsEnd; s++) state[s] = 2;
   std::fill(relevant.begin(), relevant.begin() + n, 0);
   stamp++;
   int k = 0;
   // Children come after their parents, so walking back up the family order
   // reaches each member after everything below it.
   for (int i = n - 1; i >= 0; i--) {
      const Person& p = *member[i];
      const Alleles& g = p.markers[marker];
      if (g.isKnown()) {
         relevant[i] = 1;
         singleX[i] = xLinked && (p.sex == SEX_MALE || (p.sex == SEX_UNKNOWN && g.one == g.two));
         if (singleX[i] && g.one != g.two) return 0;
         for (int allele : {int(g.one), int(g.two)})
            if (alleleStamp[allele] != stamp) {
               if (k == kMaxAlleles) return -1;
               alleleStamp[allele] = stamp;
               alleleIndex[allele] = k++;
            }
         domain[i] = uint64_t(1) << GenotypeNumber(alleleIndex[g.one], alleleIndex[g.two]);
      } else if (relevant[i]) {
         singleX[i] = xLinked && (p.sex == SEX_MALE || p.sex == SEX_UNKNOWN);
         domain[i] = 0;  // every genotype, once the alleles are counted
      }
      if (relevant[i] && childIn[i] >= 0) {
         const SibshipShape& sib = structure.sibships[shape.sibshipsBegin + childIn[i]];
         relevant[sib.father] = relevant[sib.mother] = 1;
         state[shape.sibshipsBegin + childIn[i]] = 1;
      }
   }
   const GenotypeTables& t = Tables();
   int head = 0;
   queue.clear();
   for (int i = 0; i < n; i++)
      if (relevant[i] && domain[i] == 0) domain[i] = singleX[i] ? t.single[k] : t.all[k];
   for (int s = shape.sibshipsBegin; s < shape.sibshipsEnd; s++)
      if (state[s] == 1) queue.push_back(s);
   auto wake = [&](int s) {
      if (state[s] != 0) return;
      state[s] = 1;
      queue.push_back(s);
   };
   auto narrow = [&](int person, uint64_t genotypes) {
      if (genotypes == domain[person]) return true;
      domain[person] = genotypes;
      if (genotypes == 0) return false;
      if (childIn[person] >= 0) wake(shape.sibshipsBegin + childIn[person]);
      for (int j = structure.parentOfBegin[shape.base + person];
           j < structure.parentOfEnd[shape.base + person]; j++)
         wake(shape.sibshipsBegin + structure.parentOf[j]);
      return true;
   };
   bool consistent = true;
   while (consistent && head < static_cast<int>(queue.size())) {
      int s = queue[head++];
      const SibshipShape& sib = structure.sibships[s];
      uint64_t fathers = domain[sib.father], mothers = domain[sib.mother];
      // A child with one genotype needs a parent holding one of its alleles.
      bool allFixed = true;
      for (int j = sib.kidsBegin; j < sib.kidsEnd; j++) {
         int c = kids[j];
         if (!relevant[c]) continue;
         kept[c] = domain[c];
         if (domain[c] & (domain[c] - 1)) {
            allFixed = false;
            continue;
         }
         uint64_t holders = t.sharing[t.alleles[__builtin_ctzll(domain[c])]];
         mothers &= holders;
         if (!singleX[c]) fathers &= holders;
      }
      uint64_t keptFathers = 0, keptMothers = 0;
      if (allFixed) {
         // Then a child {x, y} asks the mother for y when the father holds x
         // and for x when he holds y; each child keeps its genotype if any
         // couple remains.
         for (uint64_t fs = fathers; fs; fs &= fs - 1) {
            int f = __builtin_ctzll(fs);
            unsigned held = t.alleles[f];
            uint64_t ms = mothers;
            for (int j = sib.kidsBegin; j < sib.kidsEnd && ms; j++) {
               int c = kids[j];
               if (!relevant[c] || singleX[c]) continue;
               unsigned pair = t.alleles[__builtin_ctzll(domain[c])];
               unsigned x = pair & -pair, y = pair == x ? x : pair & ~x;
               ms &= t.sharing[(held & x ? y : 0) | (held & y ? x : 0)];
            }
            if (ms == 0) continue;
            keptFathers |= uint64_t(1) << f;
            keptMothers |= ms;
         }
      } else {
         for (int j = sib.kidsBegin; j < sib.kidsEnd; j++) kept[kids[j]] = 0;
         for (uint64_t fs = fathers; fs; fs &= fs - 1) {
            int f = __builtin_ctzll(fs);
            for (uint64_t ms = mothers; ms; ms &= ms - 1) {
               int m = __builtin_ctzll(ms);
               bool explained = true;
               for (int j = sib.kidsBegin; j < sib.kidsEnd && explained; j++) {
                  int c = kids[j];
                  if (relevant[c]) explained = (singleX[c] ? t.son[m] : t.child[f][m]) & domain[c];
               }
               if (!explained) continue;
               keptFathers |= uint64_t(1) << f;
               keptMothers |= uint64_t(1) << m;
               for (int j = sib.kidsBegin; j < sib.kidsEnd; j++) {
                  int c = kids[j];
                  if (relevant[c]) kept[c] |= (singleX[c] ? t.son[m] : t.child[f][m]) & domain[c];
               }
            }
         }
      }
      consistent = narrow(sib.father, keptFathers) && narrow(sib.mother, keptMothers);
      for (int j = sib.kidsBegin; j < sib.kidsEnd && consistent; j++)
         if (relevant[kids[j]]) consistent = narrow(kids[j], kept[kids[j]]);
      // A second pass would keep everything, so it waits for other sibships.
      state[s] = 0;
   }
   return consistent ? 1 : 0;
}
