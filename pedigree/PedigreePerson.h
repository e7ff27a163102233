// Person: one member of a pedigree with identifiers, parents, sex, twin
// status, a genotype for every registered marker and a value for every
// registered trait, affection status and covariate.
//
// Invariants: a person owns its data arrays; the members of a sibship share
// its list, which lives as long as any of them. The arrays
// are sized from the registry's counts when the person is built and grow
// (MatchRegistry) when more names are registered later; a Pedigree calls it
// before it reads or writes a person's data. `father`, `mother`, `serial`,
// `sibs` and `traverse` belong to the pedigree's last Sort and point into it.
// A genotype is either fully known (both alleles 1..254) or 0/0; `one` holds
// the allele of the first genotype column read and is written first.
#ifndef LOCI_PEDIGREE_PEDIGREEPERSON_H
#define LOCI_PEDIGREE_PEDIGREEPERSON_H

#include <memory>

#include "base/MissingValue.h"
#include "base/StringBasics.h"
#include "pedigree/PedigreeGlobals.h"

// Sex and affection codes shared by the pedigree toolkit.
constexpr int SEX_UNKNOWN = 0;
constexpr int SEX_MALE = 1;
constexpr int SEX_FEMALE = 2;

// Two allele numbers, 0 for missing: two bytes per marker and person.
class Alleles {
public:
   unsigned char one = 0;
   unsigned char two = 0;

   unsigned char& operator[](int i) { return i ? two : one; }
   int operator[](int i) const { return i ? two : one; }

   bool isKnown() const { return one != 0 && two != 0; }
   bool isHeterozygous() const { return isKnown() && one != two; }
   bool isHomozygous() const { return isKnown() && one == two; }
   bool HasAllele(int allele) const { return one == allele || two == allele; }
   int Hi() const { return one > two ? one : two; }
   int Lo() const { return one > two ? two : one; }
   // The same pair in either order.
   bool Matches(const Alleles& other) const {
      return (one == other.one && two == other.two) || (one == other.two && two == other.one);
   }
};

class Person : public PedigreeGlobals {
public:
   String famid;
   String pid;
   String motid;
   String fatid;
   int sex;
   int zygosity;  // 0 none; odd: an MZ twin group; even: a DZ twin group
   int serial;    // index in the sorted pedigree; -1 before
   int traverse;  // position in the family's order; -1 before

   Alleles* markers;
   double* traits;
   unsigned char* affections;
   double* covariates;

   Person* father;
   Person* mother;

   int sibCount;
   Person** sibs;  // the sibship's shared list; the person itself included

   int ngeno;  // markers with both alleles known, as last assessed
   bool filtered;
   bool hasAllCovariates, hasAllTraits, hasAllAffections, hasBothParents;

   Person();
   ~Person();
   Person(const Person&) = delete;
   Person& operator=(const Person&) = delete;

   // Grows the data arrays to the registry's current counts; new entries
   // are missing.
   void MatchRegistry();

   // Links both parents, swapping them when their sexes are the other way
   // round; false after printing a problem.
   bool CheckParents();
   void AssessStatus();

   // Whether this person is `other` or one of its ancestors. Iterative, so
   // any pedigree depth is safe.
   bool isAncestor(Person* other);

   bool haveData();
   int GenotypedMarkers();
   void WipePhenotypes(bool removeGenotypes = true);
   void CopyIDs(Person& rhs);
   // Copies identifiers, sex, zygosity, every data value and ngeno.
   void Copy(Person& rhs);

   // Swaps the pointers so that `a` does not come later in the family order.
   static void Order(Person*& a, Person*& b);

   // Replaces the sibship list with one shared by its members: a copy each
   // would take memory growing with the square of the sibship's size.
   void SetSibs(const std::shared_ptr<Person*[]>& members, int count);

private:
   std::shared_ptr<Person*[]> sibship;
   int markerSlots, traitSlots, affectionSlots, covariateSlots;
};

#endif
