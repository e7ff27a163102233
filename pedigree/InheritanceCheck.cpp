// The inheritance checks of a whole pedigree: the local rules of each check,
// family by family over blocks of markers, then genotype elimination for the
// families the rules pass.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/IntArray.h"
#include "base/StringBasics.h"
#include "io/Error.h"
#include "pedigree/CheckReport_internal.h"
#include "pedigree/GenotypeElimination_internal.h"
#include "pedigree/GenotypeLists.h"
#include "pedigree/Pedigree.h"

namespace {

const char* Label(MarkerInfo* info, int allele, String& buffer) {
   buffer = info->GetAlleleLabel(allele);
   return buffer;
}

// Labels of up to six alleles, kept alive for one printf.
struct Labels {
   String text[6];
   MarkerInfo* info;
   explicit Labels(MarkerInfo* markerInfo) : info(markerInfo) {}
   const char* operator()(int slot, int allele) { return Label(info, allele, text[slot]); }
};

bool IsTyped(const Alleles& g) {
   return g.one != 0 && g.two != 0;
}

bool IsSibshipHead(const Person& p) {
   return p.hasBothParents && p.sibs[0] == &p;
}

// The child rule shared by both rule sets.
bool ChildFitsParents(const Alleles& child, const Alleles& father, const Alleles& mother) {
   bool fT = IsTyped(father), mT = IsTyped(mother);
   bool F0 = father.HasAllele(child.one), F1 = father.HasAllele(child.two);
   bool M0 = mother.HasAllele(child.one), M1 = mother.HasAllele(child.two);
   return (!fT || F0 || F1) && (!mT || M0 || M1) && (!(fT && mT) || (F0 && M1) || (F1 && M0));
}

// The start of a sibship report when the father is untyped: the mother when
// she is typed, else the couple, mother first.
void AddMotherOrCouple(ReportLine& report, const Person& head, const Alleles& mg, Labels& label) {
   report.Name(*head.mother);
   if (IsTyped(mg)) {
      report.Add("Mother %s [%s/%s] has children [", (const char*)head.mother->pid,
                 label(0, mg.one), label(1, mg.two));
      return;
   }
   report.Name(*head.father);
   report.Add("Couple %s * %s has children [", (const char*)head.mother->pid,
              (const char*)head.father->pid);
}

// Markers checked together family by family, so that each family's persons
// and genotypes are read from memory once per block rather than once per
// marker. A block's reports wait in memory until it is done, so its length
// follows the length of the reports of the block before.
constexpr int kMarkerBlock = 128;
constexpr size_t kReportBytes = 16 << 20;

// What one marker of a block reports, printed in marker order once every
// family has been checked, exactly as a marker-by-marker check prints it.
struct MarkerReports {
   std::vector<ReportLine> males;  // X-linked males typed with two alleles come first
   std::vector<ReportLine> lines;
   IntArray subtle;  // families with a subtle inconsistency, reported last
   bool error = false;

   void Clear() {
      males.clear();
      lines.clear();
      subtle.Dimension(0);
      error = false;
   }
};

// Genotype elimination for a family the local rules passed at the marker,
// when it has any child: the local rules alone miss inconsistencies even
// within a single couple and their children. True when it finds one.
bool SubtleInconsistency(Pedigree& ped, EliminationScratch& elimination, int family, int marker) {
   Family* f = ped.families[family];
   if (f->count == f->founders) return false;
   int verdict = elimination.Consistent(family, marker);
   if (verdict < 0)
      verdict = GenotypeList::EliminateGenotypes(ped, f, marker, elimination.lists, false);
   return !verdict;
}

// Prints a block's reports and returns whether any marker of it had one;
// `block` becomes the number of markers for the next block.
bool PrintReports(Pedigree& ped, std::vector<MarkerReports>& reports, int first, int last,
                  int& block) {
   bool anyError = false;
   size_t bytes = 0;
   for (int m = first; m < last; m++) {
      MarkerReports& out = reports[m - first];
      for (std::vector<ReportLine>* list : {&out.males, &out.lines})
         for (ReportLine& line : *list) {
            line.Print();
            bytes += static_cast<size_t>(line.Length());
         }
      for (int k = 0; k < out.subtle.Length(); k++)
         GenotypeList::ReportSubtle(ped.families[out.subtle[k]], m);
      anyError |= out.error || out.subtle.Length() > 0;
      if (ped.observer != nullptr) ped.observer->MarkerChecked(m);
   }
   size_t perMarker = bytes / (last - first) + 1;
   block = static_cast<int>(
       std::max<size_t>(1, std::min<size_t>(kMarkerBlock, kReportBytes / perMarker)));
   return anyError;
}

// Runs a check's local rules on every family at markers begin .. end - 1 (or,
// when `only` is given, on the families it lists at each marker) and genotype
// elimination on each family they pass, then prints the reports marker by
// marker. `rules(family, f, m, name, label, out)` adds its reports to `out`
// and returns whether it added any. True when anything was reported.
template <class LocalRules>
bool CheckMarkerBlocks(Pedigree& ped, int begin, int end, bool closingLine,
                       const Pedigree::FamiliesAt* only, LocalRules rules) {
   if (begin < 0 || end > ped.markerCount || begin > end)
      error("Markers %d to %d are not all registered (%d are)\n", begin, end - 1, ped.markerCount);
   bool anyError = false;
   if (begin == end) return false;
   EliminationScratch elimination(ped);
   std::vector<MarkerReports> reports(kMarkerBlock);
   std::vector<MarkerInfo*> infos(kMarkerBlock);
   Labels label(nullptr);
   int block = 1;  // until the first marker shows how long its reports run
   for (int first = begin, last; first < end; first = last) {
      last = std::min(end, first + block);
      for (int m = first; m < last; m++) {
         infos[m - first] = ped.GetMarkerInfo(m);
         reports[m - first].Clear();
      }
      auto check = [&](int f, int m) {
         MarkerReports& out = reports[m - first];
         label.info = infos[m - first];
         bool flagged = rules(*ped.families[f], f, m, ped.markerNames[m], label, out);
         out.error |= flagged;
         if (!flagged && SubtleInconsistency(ped, elimination, f, m)) out.subtle.Append(f);
      };
      if (only != nullptr) {
         for (int m = first; m < last; m++)
            for (int f : (*only)(m)) check(f, m);
      } else {
         for (int f = 0; f < ped.familyCount; f++)
            for (int m = first; m < last; m++) check(f, m);
      }
      anyError |= PrintReports(ped, reports, first, last, block);
   }
   if (anyError && closingLine) puts("\nMendelian inheritance errors detected");
   return anyError;
}

// The maternal alleles a sibship's X chromosomes require; more than two is an
// inconsistency.
struct MaternalSlots {
   int s1, s2;
   bool ok = true;
   void Add(int x) {
      if (x == s1 || x == s2) return;
      if (s1 == 0)
         s1 = x;
      else if (s2 == 0)
         s2 = x;
      else
         ok = false;
   }
};

}  // namespace

bool Pedigree::InheritanceCheck(bool abortIfInconsistent) {
   bool twinProblem = haveTwins ? TwinCheck() : false;
   bool mendelProblem = chromosomeX ? SexLinkedCheck() : AutosomalCheck();
   bool inconsistent = twinProblem || mendelProblem;
   if (inconsistent && abortIfInconsistent) error("Mendelian inheritance errors detected\n");
   return !inconsistent;
}

bool Pedigree::AutosomalCheck() {
   return AutosomalRules(0, markerCount, true, nullptr);
}

bool Pedigree::SexLinkedCheck() {
   return SexLinkedRules(0, markerCount, true, nullptr);
}

bool Pedigree::CheckMarkers(int first, int end) {
   return chromosomeX ? SexLinkedRules(first, end, false, nullptr)
                      : AutosomalRules(first, end, false, nullptr);
}

bool Pedigree::CheckMarkers(int first, int end, const FamiliesAt& families) {
   return chromosomeX ? SexLinkedRules(first, end, false, &families)
                      : AutosomalRules(first, end, false, &families);
}

bool Pedigree::AutosomalRules(int first, int end, bool closingLine, const FamiliesAt* only) {
   // Stamps carry a serial unique to each sibship and marker, so they are never
   // cleared and an allele beyond the labelled ones cannot read a stale stamp.
   std::vector<long long> alleleStamp(256, -1), genotypeStamp(256 * 255 / 2 + 1, -1);
   std::vector<int> alleleCounter(256);
   long long stamp = 0;
   return CheckMarkerBlocks(
       *this, first, end, closingLine, only,
       [&](Family& family, int f, int m, const char* name, Labels& label, MarkerReports& out) {
          bool flagged = false;
          for (int i = family.first; i <= family.last; i++) {
             Person& head = *persons[i];
             if (!IsSibshipHead(head)) continue;
             stamp++;
             const Alleles& fg = head.father->markers[m];
             const Alleles& mg = head.mother->markers[m];
             int a = 0, h = 0, g = 0;
             bool t = false;
             for (int s = 0; s < head.sibCount; s++) {
                Person& sib = *head.sibs[s];
                const Alleles& c = sib.markers[m];
                if (!IsTyped(c)) continue;
                if (!ChildFitsParents(c, fg, mg)) {
                   ReportLine& report = out.lines.emplace_back(*this, f, m);
                   report.Name(sib);
                   report.Add("%s - Fam %s: Child %s [%s/%s] has ", name, (const char*)sib.famid,
                              (const char*)sib.pid, label(0, c.one), label(1, c.two));
                   if (IsTyped(fg) && IsTyped(mg))
                      report.Add("parents [%s/%s]*[%s/%s]\n", label(0, fg.one), label(1, fg.two),
                                 label(2, mg.one), label(3, mg.two));
                   else if (IsTyped(fg))
                      report.Add("%s [%s/%s]\n", "father", label(0, fg.one), label(1, fg.two));
                   else
                      report.Add("%s [%s/%s]\n", "mother", label(0, mg.one), label(1, mg.two));
                   flagged = true;
                   continue;
                }
                int c0 = c.one, c1 = c.two;
                for (int allele : {c0, c1})
                   if (alleleStamp[allele] != stamp) {
                      alleleStamp[allele] = stamp;
                      alleleCounter[allele] = 0;
                      a++;
                   }
                int lo = c0 < c1 ? c0 : c1, hi = c0 < c1 ? c1 : c0;
                int genotype = hi * (hi - 1) / 2 + lo;
                if (genotypeStamp[genotype] != stamp) {
                   genotypeStamp[genotype] = stamp;
                   g++;
                   alleleCounter[c0]++;
                   if (c1 != c0)
                      alleleCounter[c1]++;
                   else
                      h++;
                   if (alleleCounter[c0] >= 3 || alleleCounter[c1] >= 3) t = true;
                }
             }
             for (const Alleles* parent : {&fg, &mg}) {
                if (!IsTyped(*parent)) continue;
                for (int allele : {int(parent->one), int(parent->two)})
                   if (alleleStamp[allele] != stamp) {
                      alleleStamp[allele] = stamp;
                      alleleCounter[allele] = 0;
                      a++;
                   }
                if (parent->one == parent->two) h++;
             }
             if (g < 5 && a + h < 5 && (a != 4 || !t)) continue;
             ReportLine& report = out.lines.emplace_back(*this, f, m);
             report.Add("%s - Fam %s: ", name, (const char*)head.famid);
             if (IsTyped(fg)) {
                report.Name(*head.father);
                report.Add("Father %s [%s/%s] has children [", (const char*)head.father->pid,
                           label(0, fg.one), label(1, fg.two));
             } else
                AddMotherOrCouple(report, head, mg, label);
             for (int s = 0; s < head.sibCount; s++) {
                const Alleles& c = head.sibs[s]->markers[m];
                report.Add("%s%s/%s", s ? " " : "", label(0, c.one), label(1, c.two));
             }
             report.Add("]\n");
             flagged = true;
          }
          return flagged;
       });
}

bool Pedigree::SexLinkedRules(int first, int end, bool closingLine, const FamiliesAt* only) {
   return CheckMarkerBlocks(
       *this, first, end, closingLine, only,
       [&](Family& family, int f, int m, const char* name, Labels& label, MarkerReports& out) {
          bool flagged = false;
          // Every family's males are reported before any sibship of the marker.
          for (int i = family.first; i <= family.last; i++) {
             Person& p = *persons[i];
             Alleles& g = p.markers[m];
             if (p.sex != SEX_MALE || !IsTyped(g) || g.one == g.two) continue;
             ReportLine& report = out.males.emplace_back(*this, f, m);
             report.Name(p);
             report.Add("%s - Fam %s: Male %s has two X alleles [%s/%s]\n", name,
                        (const char*)p.famid, (const char*)p.pid, label(0, g.one), label(1, g.two));
             g.one = g.two = 0;
             flagged = true;
          }
          for (int i = family.first; i <= family.last; i++) {
             Person& head = *persons[i];
             if (!IsSibshipHead(head) || head.sibCount < 1) continue;
             const Alleles& fg = head.father->markers[m];
             const Alleles& mg = head.mother->markers[m];
             bool fT = IsTyped(fg), mT = IsTyped(mg);
             MaternalSlots slots{mg.one, mg.two};
             int d = 0, P1 = 0, P2 = 0, r0 = 0, r1 = 0;
             for (int s = 0; s < head.sibCount; s++) {
                Person& sib = *head.sibs[s];
                const Alleles& c = sib.markers[m];
                if (!IsTyped(c)) continue;
                int c0 = c.one, c1 = c.two;
                if (sib.sex == SEX_MALE) {
                   if (mT && !mg.HasAllele(c0)) {
                      ReportLine& report = out.lines.emplace_back(*this, f, m);
                      report.Name(sib);
                      report.Add("%s - Fam %s: Child %s [%s/Y] has mother [%s/%s]\n", name,
                                 (const char*)sib.famid, (const char*)sib.pid, label(0, c0),
                                 label(1, mg.one), label(2, mg.two));
                      flagged = true;
                   } else
                      slots.Add(c0);
                   continue;
                }
                if (sib.sex != SEX_FEMALE) continue;
                if (!ChildFitsParents(c, fg, mg)) {
                   ReportLine& report = out.lines.emplace_back(*this, f, m);
                   report.Name(sib);
                   report.Add("%s - Fam %s: Child %s [%s/%s] has ", name, (const char*)sib.famid,
                              (const char*)sib.pid, label(0, c0), label(1, c1));
                   if (!fT)
                      report.Add("mother [%s/%s]\n", label(0, mg.one), label(1, mg.two));
                   else if (mT)
                      report.Add("parents [%s/Y]*[%s/%s]\n", label(0, fg.one), label(1, mg.one),
                                 label(2, mg.two));
                   else
                      report.Add("father [%s/Y]\n", label(0, fg.one));
                   flagged = true;
                   continue;
                }
                d++;
                if (d == 1) {
                   r0 = P1 = c0;
                   r1 = P2 = c1;
                } else if (!((c0 == r0 && c1 == r1) || (c0 == r1 && c1 == r0))) {
                   int lo = P1 < P2 ? P1 : P2, hi = P1 < P2 ? P2 : P1;
                   int x;
                   if ((lo == c0 && hi == c1) || (lo == c1 && hi == c0))
                      x = P1;
                   else {
                      x = (lo == c0 || lo == c1) ? lo : (hi == c0 || hi == c1) ? hi : 0;
                      P1 = P2 = x;
                   }
                   slots.Add(c0 == x ? c1 : c0);
                   slots.Add(r0 == x ? r1 : r0);
                }
                bool M0 = mg.HasAllele(c0), M1 = mg.HasAllele(c1);
                bool F0 = fg.HasAllele(c0), F1 = fg.HasAllele(c1);
                if (!fT && M0 != M1) {
                   int y = M0 ? c1 : c0;
                   P1 = P2 = (y == P1 || y == P2) ? y : 0;
                }
                if (!mT && F0 != F1) slots.Add(F0 ? c1 : c0);
             }
             if (slots.ok && (d == 0 || P1 * P2 != 0)) continue;
             ReportLine& report = out.lines.emplace_back(*this, f, m);
             report.Add("%s - Fam %s: ", name, (const char*)head.famid);
             if (fT) {
                report.Name(*head.father);
                report.Add("Father %s [%s/Y] has children [", (const char*)head.father->pid,
                           label(0, fg.one));
             } else
                AddMotherOrCouple(report, head, mg, label);
             for (int s = 0; s < head.sibCount; s++) {
                const Alleles& c = head.sibs[s]->markers[m];
                if (head.sibs[s]->sex == SEX_MALE)
                   report.Add("%s%s/Y", s ? " " : "", label(0, c.one));
                else
                   report.Add("%s%s/%s", s ? " " : "", label(0, c.one), label(1, c.two));
             }
             report.Add("]\n");
             flagged = true;
          }
          return flagged;
       });
}
