// Pedigree: the persons read from one or more pedigree files, sorted by
// family and person, linked to their parents and grouped into sibships and
// families; readers for pedigree files in the five-column layout (described
// by a data file) and in the fixed-column MENDEL layout, and writers of
// pedigree and data files.
//
// Invariants: the pedigree owns its persons, its families and its data-file
// descriptions. Every Load ends with Sort, after which `serial`, parents,
// sibships, families and the family order are valid; Add and AddPerson with
// delaySort leave them stale until the next Sort. Every marker, trait,
// affection and covariate should be registered (Prepare) before persons are
// created; persons created earlier grow their data when they are next loaded,
// sorted or written. All problems in the input are fatal through `error`.
#ifndef LOCI_PEDIGREE_PEDIGREE_H
#define LOCI_PEDIGREE_PEDIGREE_H

#include <cstdio>
#include <functional>
#include <vector>

#include "base/IntArray.h"
#include "base/StringBasics.h"
#include "io/InputFile.h"
#include "pedigree/PedigreeDescription.h"
#include "pedigree/PedigreeFamily.h"
#include "pedigree/PedigreeGlobals.h"
#include "pedigree/PedigreePerson.h"

// One report of the twin or inheritance check, as it is printed.
struct CheckReport {
   int family;             // index in the pedigree's families
   int marker;             // marker ID; -1 for MZ twins of different sexes
   const IntArray& named;  // pedigree indices of the persons the report names
   const String& text;     // the printed text without its final line feed
};

// Told of every report of the twin and inheritance checks just before it is
// printed, and of every marker once the inheritance check is done with it.
class CheckObserver {
public:
   virtual ~CheckObserver() = default;
   virtual void Report(const CheckReport& report) = 0;
   virtual void MarkerChecked(int /*marker*/) {}
};

// A person that a later pedigree file of a merge gives another sex, father or
// mother than the files before it did; the later file's value is kept.
struct MergeConflict {
   const char* famid;
   const char* pid;
   const char* field;   // "sex", "father" or "mother"
   const char* before;  // a sex as "male", "female" or "unknown"
   const char* after;
   const char* file;  // the later file; empty when it was read from an open IFILE
};

// Told of every merge conflict as the loader meets it, before the file is
// sorted, so before any structural problem the change may cause. The texts
// of a conflict live only for the call.
class MergeObserver {
public:
   virtual ~MergeObserver() = default;
   virtual void Conflict(const MergeConflict& conflict) = 0;
};

// The key of the person and family searches.
struct PedigreeKey {
   const char* famid;
   const char* pid;
};

class Pedigree : public PedigreeGlobals {
public:
   // Every load also fills a covariate "sex" with 1, 2 or MISSING_VALUE.
   static bool sexAsCovariate;
   // Marks a missing trait or covariate value; empty disables the test.
   static String missing;

   int size;  // allocated length of persons
   int count;
   Person** persons;
   int familyCount;
   Family** families;
   int haveTwins;  // OR of every zygosity, set by Sort
   PedigreeDescription pd;
   PedigreeDescription* multiPd;  // one per data file of a comma-separated list
   int multiFileCount;
   // Told of the checks' reports when set; not owned.
   CheckObserver* observer = nullptr;
   // Told of the sexes and parents a later pedigree file replaces when set;
   // not owned. Loading goes on as without it.
   MergeObserver* mergeObserver = nullptr;

   Pedigree();
   ~Pedigree();
   Pedigree(const Pedigree&) = delete;
   Pedigree& operator=(const Pedigree&) = delete;

   // Loads the data-file description; a comma-separated list prepares a merge
   // of as many pedigree files.
   void Prepare(IFILE& input);
   void Prepare(const char* dataFileNames);
   // Reads the pedigree file(s) and sorts. With one file, `allowFailures`
   // lets a file that cannot be opened pass silently.
   void Load(IFILE& input);
   void Load(const char* pedigreeFileNames, bool allowFailures = false);
   void LoadMendel(IFILE& input);

   // 0, 1 or 2; `failure` set for a code that is none of them.
   int TranslateSexCode(const char* code, bool& failure);

   // Sorts persons, links parents, checks the structure (fatal on problems),
   // builds sibships and families.
   void Sort();
   void MakeSibships();
   void Grow();

   // Appends a copy of the person's identifiers and data; does not sort.
   void Add(Person& rhs);
   void AddPerson(const char* famid, const char* pid, const char* fatid, const char* motid, int sex,
                  bool delaySort = false);

   // Null when absent; valid only on a sorted pedigree (the first `count`
   // persons for the second form).
   Person* FindPerson(const char* famid, const char* pid);
   Person* FindPerson(const char* famid, const char* pid, int count);
   Family* FindFamily(const char* famid);

   static int ComparePersons(const Person** p1, const Person** p2);
   static int CompareParents(const Person** p1, const Person** p2);
   static int CompareKeyToFamily(PedigreeKey* key, Family** f);
   static int CompareKeyToPerson(PedigreeKey* key, Person** p);

   // Wipes all data of every person whose entry is 1.
   void Filter(IntArray& filter);
   void ExtractFamily(int family, Pedigree& out);
   // Every person, with data only when its status for `affection` is `target`.
   void ExtractOnAffection(int affection, Pedigree& out, int target = 2);

   void WriteDataFile(FILE* output);
   void WriteDataFile(const char* filename);
   void WritePedigreeFile(FILE* output);
   void WritePedigreeFile(const char* filename);
   // A null identifier stands for the person's own.
   void WritePerson(FILE* output, int person, const char* famid = nullptr,
                    const char* pid = nullptr, const char* fatid = nullptr,
                    const char* motid = nullptr);
   void WriteRecodedPerson(FILE* output, int person, MarkerInfo** info, const char* famid = nullptr,
                           const char* pid = nullptr, const char* fatid = nullptr,
                           const char* motid = nullptr);

   void ShowMemoryInfo();

   // Twin check, then the autosomal or X-linked rules for every marker; true
   // when consistent. With abortIfInconsistent an inconsistency is fatal
   // after every report.
   bool InheritanceCheck(bool abortIfInconsistent = true);
   // Both true when an inconsistency was reported.
   bool AutosomalCheck();
   bool SexLinkedCheck();
   // The rules of SexLinkedCheck when chromosomeX is set, else those of
   // AutosomalCheck, at markers first .. end - 1 alone and without the closing
   // line: markers streamed through the registry block by block are checked
   // and reported as the whole check would. True when an inconsistency was
   // reported.
   bool CheckMarkers(int first, int end);
   // The families, in increasing order, to check at a marker.
   using FamiliesAt = std::function<const std::vector<int>&(int marker)>;
   // As CheckMarkers, but at each marker only the families `families` lists:
   // the others are taken to report nothing (BiallelicCheck says which).
   bool CheckMarkers(int first, int end, const FamiliesAt& families);
   // Whether some assignment of genotypes to the family's untyped members at
   // the marker obeys Mendel's rules (X-linked ones when chromosomeX is set),
   // decided by genotype elimination. Prints nothing and changes nothing; MZ
   // twins count as separate persons.
   bool CheckFamilyMarker(int family, int marker);

   // True when MZ twins disagree; shares each group's genotypes.
   bool TwinCheck();
   void MergeTwins();

   int CountAlleles(int marker);
   void EstimateFrequencies(int estimator, bool quiet = false);
   void LumpAlleles(double threshold, bool byFrequency = true);

   // The affection "<trait>*": 2 above the mean, 1 at or below it, for
   // non-founders with a value; MISSING_VALUE means the non-founders' average.
   int Dichotomize(int trait, double mean = MISSING_VALUE);
   void DichotomizeAll(double mean = MISSING_VALUE);
   // Must run before persons are created, after the traits are registered.
   static void PrepareDichotomization();

private:
   // The pedigree file being read by name, for messages; empty otherwise.
   String fileBeingRead;

   bool AutosomalRules(int first, int end, bool closingLine, const FamiliesAt* only);
   bool SexLinkedRules(int first, int end, bool closingLine, const FamiliesAt* only);
   Person* NewPerson();
   // A read that ended on an error is fatal, before Sort could report the
   // persons it missed as problems of the pedigree.
   void CheckReadToEnd(IFILE& input);
   void WriteIdentifiers(FILE* output, Person& p, const char* famid, const char* pid,
                         const char* fatid, const char* motid);
   void WritePhenotypes(FILE* output, Person& p);
   void DeleteFamilies();
};

#endif
