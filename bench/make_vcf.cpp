// Writes a deterministic synthetic imputed VCF for the benchmarks and the
// checks of r2_hat_vcf against its peers:
//   make_vcf SAMPLES MARKERS PREFIX [m]
// gives PREFIX.vcf: one record per marker, FORMAT DS with three decimals, on
// chromosome 1. Markers of middling and of poor quality, rare markers,
// monomorphic markers (all 0, all 2, all 1) and over-dispersed markers whose
// r2_hat lies above 1. Without `m` every record is biallelic and every dosage
// present, and the same dosages are also written in the layout of r2_hat:
// PREFIX.snps, PREFIX.alleles (an info file) and PREFIX.dose. With `m` about one dosage in a
// hundred is missing (.) and one record in 25 has two alternate alleles
// (ID ., two DS values).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

uint64_t state = 88172645463325252ull;
uint64_t Next() {
   state ^= state << 13;
   state ^= state >> 7;
   state ^= state << 17;
   return state;
}
// Uniform in [0, 1).
double Uniform() {
   return static_cast<double>(Next() >> 11) / 9007199254740992.0;
}

std::string Thousandths(int t) {
   char text[5] = {static_cast<char>('0' + t / 1000), '.', static_cast<char>('0' + t / 100 % 10),
                   static_cast<char>('0' + t / 10 % 10), static_cast<char>('0' + t % 10)};
   return std::string(text, 5);
}

int Clip(double dosage) {
   int t = static_cast<int>(dosage * 1000 + 0.5);
   return t < 0 ? 0 : t > 2000 ? 2000 : t;
}

}  // namespace

int main(int argc, char** argv) {
   if (argc != 4 && !(argc == 5 && std::string(argv[4]) == "m")) {
      fprintf(stderr, "usage: make_vcf SAMPLES MARKERS PREFIX [m]\n");
      return 2;
   }
   long samples = atol(argv[1]);
   long markers = atol(argv[2]);
   std::string prefix = argv[3];
   bool messy = argc == 5;

   FILE* vcf = fopen((prefix + ".vcf").c_str(), "w");
   if (vcf == nullptr) {
      perror(prefix.c_str());
      return 1;
   }
   fputs(
       "##fileformat=VCFv4.2\n##contig=<ID=1,length=248956422>\n"
       "##FORMAT=<ID=DS,Number=A,Type=Float,Description=\"Estimated alternate allele "
       "dosage\">\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT",
       vcf);
   for (long s = 0; s < samples; s++) fprintf(vcf, "\tS%ld", s + 1);
   fputc('\n', vcf);

   // Dosages in thousandths, marker by marker; the r2_hat layout needs them
   // sample by sample, so they are kept when it is written.
   std::vector<std::vector<int>> kept;
   std::vector<std::string> names, ref, alt;
   const char* bases = "ACGT";
   std::string line;
   for (long m = 0; m < markers; m++) {
      long pos = 10000 + m * 37;
      int alts = messy && m % 25 == 24 ? 2 : 1;
      char r = bases[Next() % 4];
      std::string a1(1, "CGTA"[std::string(bases).find(r)]);
      std::string id = alts == 2 ? "." : "rs" + std::to_string(100000 + m * 7);
      std::string altText = alts == 2 ? a1 + "," + std::string(1, r) + "T" : a1;
      line =
          "1\t" + std::to_string(pos) + "\t" + id + "\t" + r + "\t" + altText + "\t.\tPASS\t.\tDS";

      // The kind of marker: mostly of some quality between 0 and 1.
      unsigned kind = Next() % 100;
      double p = 0.01 + 0.98 * Uniform();
      if (kind < 10) p = 0.0005 + 0.0095 * Uniform();  // rare
      double quality = Uniform();
      std::vector<int> row;
      for (long s = 0; s < samples; s++) {
         line += '\t';
         for (int a = 0; a < alts; a++) {
            int t;
            int genotype = (Uniform() < p) + (Uniform() < p);
            if (kind == 10)
               t = 0;
            else if (kind == 11)
               t = 2000;
            else if (kind == 12)
               t = 1000;
            else if (kind < 16)  // concentrated at 0 and 2: r2_hat near 2
               t = Uniform() < p ? 2000 : 0;
            else
               t = Clip(quality * genotype + (1 - quality) * 2 * p + 0.1 * (Uniform() - 0.5));
            if (alts == 2) t /= 2;
            if (a > 0) line += ',';
            line += messy && Next() % 100 == 0 ? "." : Thousandths(t);
            if (!messy) row.push_back(t);
         }
      }
      line += '\n';
      fwrite(line.data(), 1, line.size(), vcf);
      if (!messy) {
         kept.push_back(row);
         names.push_back(id);
         ref.push_back(std::string(1, r));
         alt.push_back(a1);
      }
   }
   if (fclose(vcf) != 0) {
      perror(prefix.c_str());
      return 1;
   }
   if (messy) return 0;

   FILE* snps = fopen((prefix + ".snps").c_str(), "w");
   FILE* info = fopen((prefix + ".alleles").c_str(), "w");
   FILE* dose = fopen((prefix + ".dose").c_str(), "w");
   if (snps == nullptr || info == nullptr || dose == nullptr) {
      perror(prefix.c_str());
      return 1;
   }
   fputs("SNP\tAl1\tAl2\n", info);
   for (long m = 0; m < markers; m++) {
      fprintf(snps, "%s\n", names[m].c_str());
      fprintf(info, "%s\t%s\t%s\n", names[m].c_str(), ref[m].c_str(), alt[m].c_str());
   }
   for (long s = 0; s < samples; s++) {
      line = "S" + std::to_string(s + 1) + " S" + std::to_string(s + 1);
      for (long m = 0; m < markers; m++) {
         line += ' ';
         line += Thousandths(kept[m][s]);
      }
      line += '\n';
      fwrite(line.data(), 1, line.size(), dose);
   }
   fclose(snps);
   fclose(info);
   return fclose(dose) == 0 ? 0 : 1;
}
