#include "Findings.h"

#include <iterator>

namespace {

bool IsMZTwin(const Person& p) {
   return p.zygosity % 2 == 1 && p.hasBothParents;
}

const char* Name(const std::vector<int>& persons, size_t i, Pedigree& ped) {
   return ped.persons[persons[i]]->pid;
}

}  // namespace

Findings::Findings(Pedigree& ped, ProgressLine& progress)
    : markerTotal(PedigreeGlobals::markerCount), ped(ped), progress(progress) {}

void Findings::SaveGenotypes(int first, int end) {
   if (end < 0) end = PedigreeGlobals::markerCount;
   for (int i = 0; i < ped.count; i++) SavePerson(i, first, end);
}

void Findings::SaveFamilyGenotypes(int family, int marker) {
   const Family& f = *ped.families[family];
   for (int i = f.first; i <= f.last; i++) SavePerson(i, marker, marker + 1);
}

void Findings::SavePerson(int person, int first, int end) {
   Person& p = *ped.persons[person];
   bool twin = IsMZTwin(p);
   bool male = PedigreeGlobals::chromosomeX && p.sex == SEX_MALE;
   if (!twin && !male) return;
   for (int m = first; m < end; m++)
      if (twin || p.markers[m].isHeterozygous())
         saved[static_cast<long long>(person) * PedigreeGlobals::markerCount + m] = p.markers[m];
}

Alleles Findings::Original(int person, int marker) const {
   auto found = saved.find(static_cast<long long>(person) * PedigreeGlobals::markerCount + marker);
   return found != saved.end() ? found->second : ped.persons[person]->markers[marker];
}

void Findings::Report(const CheckReport& report) {
   progress.BeforeOutput();
   reports++;
   if (checkingTwins) twinReports++;
   if (report.marker < 0) return;
   Pair& pair = pairs[{report.marker, report.family}];
   pair.reports.emplace_back(static_cast<const char*>(report.text));
   for (int i = 0; i < report.named.Length(); i++)
      if (pair.known.insert(report.named[i]).second) pair.named.push_back(report.named[i]);
}

void Findings::MarkerChecked(int marker) {
   long long done = markerBase + marker + 1;
   // After the last marker the check prints its closing line.
   if (done == markerTotal)
      progress.BeforeOutput();
   else
      progress.Count("inheritance check, marker", static_cast<long>(done),
                     static_cast<long>(markerTotal));
}

bool Findings::ConsistentWithout(int family, int marker, const std::vector<Alleles>& original,
                                 int left) {
   Family& f = *ped.families[family];
   std::vector<Alleles> trial(original);
   trial[left] = Alleles();
   // MZ twins carry one genotype: they must agree, and share it, as the twin
   // check makes them.
   std::vector<int> group(f.count);
   for (int k = 0; k < f.count; k++) {
      Person& p = *ped.persons[f.first + k];
      group[k] = k;
      if (!IsMZTwin(p)) continue;
      for (int j = 0; j < k && group[k] == k; j++) {
         Person& q = *ped.persons[f.first + j];
         if (IsMZTwin(q) && q.zygosity == p.zygosity && q.father == p.father &&
             q.mother == p.mother)
            group[k] = j;
      }
      int first = group[k];
      if (first == k || !trial[k].isKnown()) continue;
      if (!trial[first].isKnown())
         trial[first] = trial[k];
      else if (!trial[first].Matches(trial[k]))
         return false;
   }
   for (int k = 0; k < f.count; k++) trial[k] = trial[group[k]];

   std::vector<Alleles> current(f.count);
   for (int k = 0; k < f.count; k++) {
      Alleles& g = ped.persons[f.first + k]->markers[marker];
      current[k] = g;
      g = trial[k];
   }
   bool consistent = ped.CheckFamilyMarker(family, marker);
   for (int k = 0; k < f.count; k++) ped.persons[f.first + k]->markers[marker] = current[k];
   return consistent;
}

void Findings::FindCulprits(int first, int end, const KnownCulprits& known) {
   auto begin = pairs.lower_bound({first, -1});
   auto stop = end < 0 ? pairs.end() : pairs.lower_bound({end, -1});
   long done = 0, total = static_cast<long>(std::distance(begin, stop));
   for (auto it = begin; it != stop; ++it) {
      auto& [key, pair] = *it;
      progress.Count("culprit search, family and marker", ++done, total);
      int marker = key.first;
      if (known && known(key.second, marker, pair.culprits)) continue;
      Family& f = *ped.families[key.second];
      std::vector<Alleles> original(f.count);
      long long typed = 0;
      for (int k = 0; k < f.count; k++) {
         original[k] = Original(f.first + k, marker);
         typed += original[k].isKnown();
      }
      if (typed * f.count > kMostSearchWork) {
         pair.searched = false;
         unsearched++;
         continue;
      }
      for (int k = 0; k < f.count; k++)
         if (original[k].isKnown() && ConsistentWithout(key.second, marker, original, k))
            pair.culprits.push_back(f.first + k);
   }
   progress.Clear();
}

int Findings::BlankCulprits() {
   int markers = PedigreeGlobals::markerCount;
   for (auto& [key, genotype] : saved)
      ped.persons[key / markers]->markers[key % markers] = genotype;
   int removed = 0;
   for (auto& [key, pair] : pairs)
      if (pair.culprits.size() == 1) {
         ped.persons[pair.culprits[0]]->markers[key.first] = Alleles();
         removed++;
      }
   return removed;
}

void Findings::Flush(FILE* mendel) {
   if (!headerWritten) fprintf(mendel, "family\tmarker\tfound\tnamed\tculprits\n");
   headerWritten = true;
   WriteMendel(mendel);
   std::set<int> markers;
   for (auto& [key, pair] : pairs) {
      size_t culprits = pair.culprits.size();
      if (pair.searched)
         (culprits == 1 ? totals.single : culprits > 1 ? totals.several : totals.none)++;
      markers.insert(key.first);
      totals.families.insert(key.second);
   }
   totals.pairs += static_cast<long long>(pairs.size());
   totals.markers += static_cast<long long>(markers.size());
   pairs.clear();
   saved.clear();
}

void Findings::WriteMendel(FILE* output) const {
   for (auto& [key, pair] : pairs) {
      fprintf(output, "%s\t%s\t", (const char*)ped.families[key.second]->famid,
              (const char*)PedigreeGlobals::markerNames[key.first]);
      for (size_t i = 0; i < pair.reports.size(); i++)
         fprintf(output, "%s%s", i ? "; " : "", pair.reports[i].c_str());
      fprintf(output, "\t");
      for (size_t i = 0; i < pair.named.size(); i++)
         fprintf(output, "%s%s", i ? "," : "", Name(pair.named, i, ped));
      fprintf(output, pair.named.empty() ? "-\t" : "\t");
      for (size_t i = 0; i < pair.culprits.size(); i++)
         fprintf(output, "%s%s", i ? "," : "", Name(pair.culprits, i, ped));
      fprintf(output, !pair.searched ? "not searched\n" : pair.culprits.empty() ? "none\n" : "\n");
   }
}
