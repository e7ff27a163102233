// Writes a deterministic synthetic SNP-array pedigree for ped_qc --bfile and
// its comparison with plink:
//   make_fileset FAMILIES MARKERS PREFIX [--trios N] [--x N] [--errors RATE]
//                [--multigen RATE] [--text] [--bed] [--seed S]
// FAMILIES three-generation families of 11 (F1, F2, ...: grandparents GF1 x
// GM1 and GF2 x GM2, their children P1, a son, and P2, a daughter, and five
// grandchildren C1-C5 of P1 x P2, daughters C1, C3, C5), then N trios (T1,
// T2, ...: FA x MO and their child CH). MARKERS biallelic SNPs, the last
// --x of them (default a twentieth) on X, the others spread over 1-22; each
// with a frequency of its second allele drawn from 0.05-0.5, genotypes that
// follow Mendel from founders in Hardy-Weinberg proportions (males
// hemizygous on X), about 1.5% missing. Planted errors, listed in
// PREFIX.planted (family, marker, person, kind):
//   error     each typed genotype changed to another with probability
//             --errors (default 0.0002); a male on X stays hemizygous. Most
//             are seen by a check of trios.
//   multigen  in a three-generation family and marker with probability
//             --multigen (default 0.0001): GF1 and GM1 homozygous and typed,
//             P1 untyped, and C1 given the other allele from P1, which no
//             genotype of P1 explains while every trio stays consistent;
//             no error is planted beside it.
// --bed (the default) writes PREFIX.bed/.bim/.fam, marker by marker, so
// that memory follows the persons only. --text writes PREFIX.ped (family,
// person, father, mother, sex, phenotype 0, two allele letters per marker,
// 0 0 missing) and PREFIX.map (chromosome, marker, 0, base pairs), the text
// pedigree plink reads with --file, and the data files that describe the
// same .ped for ped_qc: PREFIX.dat (the autosomal markers, X skipped) and
// PREFIX.x.dat (the X markers, for a --chromosomeX run). The text is held
// in memory: persons x markers bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Genotypes as copies of the second allele; hemizygous males 0 or 2.
constexpr uint8_t kMissing = 3;

struct Member {
   const char* id;
   int father, mother, sex;
};
const Member kThreeGenerations[] = {{"GF1", -1, -1, 1}, {"GM1", -1, -1, 2}, {"GF2", -1, -1, 1},
                                    {"GM2", -1, -1, 2}, {"P1", 0, 1, 1},    {"P2", 2, 3, 2},
                                    {"C1", 4, 5, 2},    {"C2", 4, 5, 1},    {"C3", 4, 5, 2},
                                    {"C4", 4, 5, 1},    {"C5", 4, 5, 2}};
const Member kTrio[] = {{"FA", -1, -1, 1}, {"MO", -1, -1, 2}, {"CH", 0, 1, 0}};

struct Random {
   uint64_t state;
   uint64_t Next() {  // splitmix64
      uint64_t z = (state += 0x9e3779b97f4a7c15ull);
      z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
      z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
      return z ^ (z >> 31);
   }
   double Uniform() { return (Next() >> 11) * 0x1.0p-53; }
   bool Chance(double p) { return Uniform() < p; }
};

struct Person {
   std::string family;
   const Member* member;
   int father, mother, sex;  // father and mother: indices of persons, -1 none
   bool threeGenerations;
};

FILE* Create(const std::string& name) {
   FILE* file = fopen(name.c_str(), "w");
   if (file == nullptr) {
      perror(name.c_str());
      exit(1);
   }
   return file;
}

void Close(FILE* file, const std::string& name) {
   if (ferror(file) || fclose(file) != 0) {
      fprintf(stderr, "make_fileset: could not write %s\n", name.c_str());
      exit(1);
   }
}

}  // namespace

int main(int argc, char** argv) {
   if (argc < 4) {
      fprintf(stderr,
              "usage: make_fileset FAMILIES MARKERS PREFIX [--trios N] [--x N] [--errors RATE]\n"
              "                    [--multigen RATE] [--text] [--bed] [--seed S]\n");
      return 2;
   }
   long families = atol(argv[1]), markers = atol(argv[2]), trios = 0, onX = markers / 20;
   std::string prefix = argv[3];
   double errorRate = 0.0002, multigenRate = 0.0001;
   bool text = false, bed = false;
   Random random{20261207};
   for (int i = 4; i < argc; i++) {
      std::string option = argv[i];
      bool valued = i + 1 < argc;
      if (option == "--text")
         text = true;
      else if (option == "--bed")
         bed = true;
      else if (option == "--trios" && valued)
         trios = atol(argv[++i]);
      else if (option == "--x" && valued)
         onX = atol(argv[++i]);
      else if (option == "--errors" && valued)
         errorRate = atof(argv[++i]);
      else if (option == "--multigen" && valued)
         multigenRate = atof(argv[++i]);
      else if (option == "--seed" && valued)
         random.state = strtoull(argv[++i], nullptr, 10);
      else {
         fprintf(stderr, "make_fileset: unknown option %s\n", option.c_str());
         return 2;
      }
   }
   if (!text) bed = true;
   if (families < 0 || trios < 0 || markers < 1 || onX < 0 || onX > markers) {
      fprintf(stderr, "make_fileset: bad counts\n");
      return 2;
   }

   std::vector<Person> persons;
   for (long f = 0; f < families + trios; f++) {
      bool three = f < families;
      std::string family =
          three ? "F" + std::to_string(f + 1) : "T" + std::to_string(f - families + 1);
      const Member* members = three ? kThreeGenerations : kTrio;
      int size = three ? 11 : 3, first = static_cast<int>(persons.size());
      for (int k = 0; k < size; k++) {
         const Member& m = members[k];
         int sex = m.sex != 0 ? m.sex : 1 + f % 2;
         persons.push_back({family, &m, m.father < 0 ? -1 : first + m.father,
                            m.mother < 0 ? -1 : first + m.mother, sex, three});
      }
   }
   const long count = static_cast<long>(persons.size());
   const long autosomal = markers - onX;
   auto chromosome = [&](long m) { return m >= autosomal ? 23L : 1 + m * 22 / autosomal; };
   auto name = [](long m) { return "snp" + std::to_string(m + 1); };

   FILE* planted = Create(prefix + ".planted");
   std::vector<uint8_t> genotypes(count), textGenotypes;
   if (text) textGenotypes.resize(static_cast<size_t>(count) * markers);
   std::vector<char> letters(2 * markers);
   FILE *bedFile = nullptr, *bimFile = nullptr;
   const long rowBytes = (count + 3) / 4;
   std::vector<unsigned char> row(rowBytes);
   if (bed) {
      bedFile = Create(prefix + ".bed");
      bimFile = Create(prefix + ".bim");
      fwrite("\x6c\x1b\x01", 1, 3, bedFile);
   }

   for (long m = 0; m < markers; m++) {
      const bool x = chromosome(m) == 23;
      const double p = 0.05 + 0.45 * random.Uniform();
      static const char kPairs[][3] = {"AC", "AG", "AT", "CG", "CT", "GT"};
      const char* pair = kPairs[random.Next() % 6];
      bool swap = random.Next() % 2;
      letters[2 * m] = pair[swap];
      letters[2 * m + 1] = pair[!swap];
      auto allele = [&] { return random.Chance(p) ? 1 : 0; };
      auto transmitted = [&](uint8_t g) {  // one allele of a genotype
         return g == 1 ? static_cast<int>(random.Next() % 2) : g / 2;
      };

      for (long first = 0; first < count;) {
         const Person& head = persons[first];
         const long size = head.threeGenerations ? 11 : 3;
         const bool multigen = head.threeGenerations && random.Chance(multigenRate);
         const int a = static_cast<int>(random.Next() % 2);  // P1's only allele then
         for (long k = 0; k < size; k++) {
            const Person& person = persons[first + k];
            const bool hemizygous = x && person.sex == 1;
            uint8_t& g = genotypes[first + k];
            if (multigen && k < 2) {
               g = 2 * a;
            } else if (person.father < 0) {
               g = hemizygous ? 2 * allele() : allele() + allele();
            } else {
               int fromMother = transmitted(genotypes[person.mother]);
               if (hemizygous)
                  g = 2 * fromMother;
               else
                  g = fromMother + transmitted(genotypes[person.father]);
            }
         }
         for (long k = 0; k < size; k++) {
            const Person& person = persons[first + k];
            uint8_t& g = genotypes[first + k];
            if (multigen && k < 2) continue;  // the grandparents that fix P1 stay typed
            if (multigen && k == 4) {
               g = kMissing;
               continue;
            }
            if (random.Chance(0.015)) {
               g = kMissing;
            } else if (!multigen && random.Chance(errorRate)) {
               if (x && person.sex == 1)
                  g = 2 - g;
               else
                  g = (g + 1 + random.Next() % 2) % 3;
               fprintf(planted, "%s\t%s\t%s\terror\n", person.family.c_str(), name(m).c_str(),
                       person.member->id);
            }
         }
         if (multigen) {
            // C1 carries P1's allele a; the other one instead, and the other
            // from P2 too unless P2 is typed without it, so that P2 and the
            // untyped P1 still explain C1 to a check of trios.
            uint8_t other = 2 - 2 * a, p2 = genotypes[first + 5];
            bool p2LacksOther = p2 != kMissing && p2 != 1 && p2 != other;
            genotypes[first + 6] = p2LacksOther ? 1 : other;
            fprintf(planted, "%s\t%s\tC1\tmultigen\n", head.family.c_str(), name(m).c_str());
         }
         first += size;
      }

      if (text)
         for (long i = 0; i < count; i++) textGenotypes[i * markers + m] = genotypes[i];
      if (bed) {
         // .bim allele 1 is the second allele: 00 two copies, 10 one, 11 none, 01 missing.
         static const unsigned char kCode[] = {3, 2, 0, 1};
         std::fill(row.begin(), row.end(), 0);
         for (long i = 0; i < count; i++) row[i / 4] |= kCode[genotypes[i]] << (2 * (i % 4));
         fwrite(row.data(), 1, rowBytes, bedFile);
         fprintf(bimFile, "%ld\t%s\t0\t%ld\t%c\t%c\n", chromosome(m), name(m).c_str(),
                 1000 * (m + 1), letters[2 * m + 1], letters[2 * m]);
      }
   }
   Close(planted, prefix + ".planted");

   auto head = [&](const Person& person) {
      std::string line = person.family + " " + person.member->id;
      line += person.father < 0 ? " 0 0 "
                                : std::string(" ") + persons[person.father].member->id + " " +
                                      persons[person.mother].member->id + " ";
      return line + std::to_string(person.sex);
   };
   if (bed) {
      Close(bedFile, prefix + ".bed");
      Close(bimFile, prefix + ".bim");
      FILE* fam = Create(prefix + ".fam");
      for (const Person& person : persons) fprintf(fam, "%s -9\n", head(person).c_str());
      Close(fam, prefix + ".fam");
   }
   if (text) {
      FILE* map = Create(prefix + ".map");
      FILE* dat = Create(prefix + ".dat");
      FILE* xdat = Create(prefix + ".x.dat");
      fprintf(dat, "A phenotype\n");
      fprintf(xdat, "A phenotype\n");
      if (autosomal > 0) fprintf(xdat, "S%ld autosomal\n", 2 * autosomal);
      for (long m = 0; m < markers; m++) {
         fprintf(map, "%ld\t%s\t0\t%ld\n", chromosome(m), name(m).c_str(), 1000 * (m + 1));
         if (m < autosomal)
            fprintf(dat, "M %s\n", name(m).c_str());
         else
            fprintf(xdat, "M %s\n", name(m).c_str());
      }
      if (onX > 0) fprintf(dat, "S%ld x\n", 2 * onX);
      Close(map, prefix + ".map");
      Close(dat, prefix + ".dat");
      Close(xdat, prefix + ".x.dat");
      FILE* ped = Create(prefix + ".ped");
      std::string line;
      for (long i = 0; i < count; i++) {
         line = head(persons[i]) + " 0";
         for (long m = 0; m < markers; m++) {
            uint8_t g = textGenotypes[i * markers + m];
            char one = letters[2 * m + (g >= 1)], two = letters[2 * m + (g == 2)];  // .bim order
            if (g == kMissing) one = two = '0';
            line += ' ';
            line += one;
            line += ' ';
            line += two;
         }
         line += '\n';
         fputs(line.c_str(), ped);
      }
      Close(ped, prefix + ".ped");
   }
   return 0;
}
