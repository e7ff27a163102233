// Writes a deterministic synthetic imputation run for the benchmarks:
//   make_dosages [--ld[=MISS]] INDIVIDUALS MARKERS PREFIX
// gives PREFIX.snps (one marker name per line) and PREFIX.dose (one line per
// individual: two ID fields, then one three-decimal dosage per marker).
//
// Without --ld the dosages scatter around genotypes of independent markers,
// the same for every run (the benchmarks' data). With --ld they come from
// haplotypes in linkage disequilibrium, imputed as an imputation server does,
// so that quality falls with MAF as on real runs: see LdRun.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Random {
   uint64_t state = 88172645463325252ull;
   uint64_t Next() {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      return state;
   }
   double Uniform() { return (Next() >> 11) * (1.0 / 9007199254740992.0); }
};

// The genealogy of a reference panel: founder haplotypes are the leaves
// 0..kFounders-1 of a binary tree split at random points, and a marker's
// minor allele is carried by the leaves below one node, so rare alleles sit
// on small, deep nodes. Every sample haplotype is a mosaic of founders,
// switching now and then along the markers (the linkage disequilibrium).
// Imputation recognises the founder a haplotype copies only up to its close
// relatives: going down the tree towards it, at every split a share of what
// remains strays into the other branch, MISS at the split of two founders,
// less at larger nodes, whose branches are told apart by more markers. A
// node's posterior is then high for common alleles (large nodes, few splits
// above them) and low for rare ones.
struct Node {
   int begin, end, low = -1, high = -1;  // leaves [begin, end), children
};

const int kFounders = 2000;
const double kSwitch = 0.002;  // per marker and haplotype

int Build(std::vector<Node>& tree, Random& random, int begin, int end) {
   int index = static_cast<int>(tree.size());
   tree.push_back(Node{begin, end});
   if (end - begin >= 2) {
      int split = begin + 1 + static_cast<int>(random.Next() % (end - begin - 1));
      int low = Build(tree, random, begin, split);
      int high = Build(tree, random, split, end);
      tree[index].low = low;
      tree[index].high = high;
   }
   return index;
}

// The imputed probability that a haplotype copying founder `leaf` carries
// the allele of node `target`.
double Posterior(const std::vector<Node>& tree, int target, int leaf, double miss) {
   const Node& t = tree[target];
   double within = 1;  // posterior mass left in the current node
   for (int at = 0;;) {
      if (at == target) return within;
      const Node& node = tree[at];
      int towards = leaf < tree[node.low].end ? node.low : node.high;
      int away = towards == node.low ? node.high : node.low;
      const Node& other = tree[away];
      double stray = std::fmin(0.5, miss * std::sqrt(2.0 / (node.end - node.begin)));
      if (t.begin >= other.begin && t.end <= other.end)
         return within * stray * (t.end - t.begin) / (other.end - other.begin);
      within *= 1 - stray;
      at = towards;
   }
}

void LdRun(long individuals, long markers, double miss, FILE* dose) {
   Random random;
   std::vector<Node> tree;
   Build(tree, random, 0, kFounders);
   // Allele frequencies even on a log scale from 1/kFounders to 1/2, each
   // marker imputed a little better or worse than the average.
   std::vector<int> target(markers);
   std::vector<double> markerMiss(markers);
   for (long m = 0; m < markers; m++) {
      double size = std::pow(kFounders / 2.0, random.Uniform());
      int at = 0;
      while (tree[at].end - tree[at].begin > size) {
         const Node& node = tree[at];
         double lowShare = double(tree[node.low].end - node.begin) / (node.end - node.begin);
         at = random.Uniform() < lowShare ? node.low : node.high;
      }
      target[m] = at;
      markerMiss[m] = miss * (0.3 + 1.4 * random.Uniform());
   }
   std::string line;
   char field[16];
   for (long i = 0; i < individuals; i++) {
      int leaf[2] = {static_cast<int>(random.Next() % kFounders),
                     static_cast<int>(random.Next() % kFounders)};
      line = "FAM" + std::to_string(i + 1) + " IND" + std::to_string(i + 1);
      for (long m = 0; m < markers; m++) {
         double dosage = 0;
         for (int& copied : leaf) {
            if (random.Uniform() < kSwitch) copied = static_cast<int>(random.Next() % kFounders);
            dosage += Posterior(tree, target[m], copied, markerMiss[m]);
         }
         int thousandths = static_cast<int>(std::lround(dosage * 1000));
         snprintf(field, sizeof field, " %d.%03d", thousandths / 1000, thousandths % 1000);
         line += field;
      }
      line += '\n';
      fwrite(line.data(), 1, line.size(), dose);
   }
}

}  // namespace

int main(int argc, char** argv) {
   double ldMiss = 0;
   if (argc == 5 && strncmp(argv[1], "--ld", 4) == 0) {
      ldMiss = argv[1][4] == '=' ? atof(argv[1] + 5) : 0.3;
      if (!(ldMiss > 0 && ldMiss < 1) || (argv[1][4] != 0 && argv[1][4] != '=')) argc = 0;
      argv++;
      argc--;
   }
   if (argc != 4) {
      fprintf(stderr,
              "usage: make_dosages [--ld[=MISS]] INDIVIDUALS MARKERS PREFIX\n"
              "  MISS: a share from 0 to 1, the imputation's uncertainty (default 0.3)\n");
      return 2;
   }
   long individuals = atol(argv[1]);
   long markers = atol(argv[2]);
   std::string prefix = argv[3];

   FILE* snps = fopen((prefix + ".snps").c_str(), "w");
   FILE* dose = fopen((prefix + ".dose").c_str(), "w");
   if (snps == nullptr || dose == nullptr) {
      perror(prefix.c_str());
      return 1;
   }
   for (long m = 0; m < markers; m++) fprintf(snps, "rs%ld\n", 1000000 + m * 7);
   if (ldMiss > 0) {
      LdRun(individuals, markers, ldMiss, dose);
      fclose(snps);
      if (fclose(dose) != 0) {
         perror(prefix.c_str());
         return 1;
      }
      return 0;
   }

   // Each marker gets an allele frequency; dosages scatter around a genotype
   // drawn from it, like an imputation of middling quality.
   uint64_t state = 88172645463325252ull;
   auto next = [&state] {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      return state;
   };
   std::vector<unsigned> freq(markers);
   for (long m = 0; m < markers; m++) freq[m] = static_cast<unsigned>(next() % 1000);

   std::string line;
   char field[16];
   for (long i = 0; i < individuals; i++) {
      line = "FAM" + std::to_string(i + 1) + " IND" + std::to_string(i + 1);
      for (long m = 0; m < markers; m++) {
         uint64_t r = next();
         unsigned genotype = ((r & 1023) < freq[m]) + (((r >> 10) & 1023) < freq[m]);
         int thousandths =
             static_cast<int>(genotype * 1000) + static_cast<int>((r >> 20) % 401) - 200;
         if (thousandths < 0) thousandths = 0;
         if (thousandths > 2000) thousandths = 2000;
         snprintf(field, sizeof field, " %d.%03d", thousandths / 1000, thousandths % 1000);
         line += field;
      }
      line += '\n';
      fwrite(line.data(), 1, line.size(), dose);
   }
   fclose(snps);
   if (fclose(dose) != 0) {
      perror(prefix.c_str());
      return 1;
   }
   return 0;
}
