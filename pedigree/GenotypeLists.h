// Genotype elimination: the candidate genotypes of every member of one family
// at one marker, pruned until every remaining candidate of a child is
// explained by candidates of its parents, or some member is left with none.
//
// Pedigree::InheritanceCheck decides families without loops with the same
// elimination over bitsets of genotypes (GenotypeElimination.cpp), which
// reaches the same verdict faster; these lists decide families with loops and
// families with more than ten typed alleles.
//
// Invariants: firstAlleles and secondAlleles always have the same length; an
// allele of -1 stands for any allele missing from candidateAlleles. Lists are
// indexed by family order position (Person::traverse).
#ifndef LOCI_PEDIGREE_GENOTYPELISTS_H
#define LOCI_PEDIGREE_GENOTYPELISTS_H

#include <vector>

#include "base/IntArray.h"

class Pedigree;
class Family;
class Person;

class GenotypeList {
public:
   // Genotypes tried by the search in a family with loops before it gives up
   // and accepts the family.
   static long long searchBudget;

   IntArray firstAlleles, secondAlleles;
   IntArray candidateAlleles;
   bool skip;
   // Carries one X chromosome at an X-linked marker.
   bool maleX;
   int confirmed;

   GenotypeList();

   // True when consistent; prints the subtle-inconsistency report otherwise.
   static bool EliminateGenotypes(Pedigree& ped, Family* family, int marker);
   // The same with lists kept by the caller across families and markers.
   static bool EliminateGenotypes(Pedigree& ped, Family* family, int marker,
                                  std::vector<GenotypeList>& lists, bool report);
   static void ReportSubtle(Family* family, int marker);

   static void InitializeList(GenotypeList* list, Pedigree& ped, Family* family, int marker);
   static bool PairwiseCheck(GenotypeList* list, Pedigree& ped, Family* family);
   static bool FamilyCheck(GenotypeList* list, Pedigree& ped, Family* family);
   static bool TrimParent(GenotypeList* list, Person& person, int parent, int otherParent);
   static bool Cleanup(GenotypeList* list, Person& person, int parent1, int parent2, int child,
                       int genotype);
   static bool CheckTrio(GenotypeList* list, int parent1, int parent2, int child, int genotype1,
                         int genotype2, int childGenotype);
   static void Print(GenotypeList* list, Pedigree& ped, Family* family, int marker);

   void Dimension(int n);
   void SetGenotype(int index, int first, int second);
   void Delete(int index);
   bool Matches(int index, int allele) const;
   bool Matches(int allele) const;
   int SaveGenotype(int index);
   int Count() const { return firstAlleles.Length(); }

   // Whether every member of the sibship headed by `person` has a candidate
   // explained by candidates g of p and h of q.
   static bool ExplainsSibship(GenotypeList* list, Person& person, int p, int q, int g, int h);

   // Whether the family's persons and couples form a loop.
   static bool HasLoop(Pedigree& ped, Family* family);
   // Whether one candidate per member, alleles spelled out, obeys Mendel.
   static bool SearchAssignment(GenotypeList* list, Pedigree& ped, Family* family);
};

#endif
