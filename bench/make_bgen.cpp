// Writes a synthetic BGEN file of imputed dosages and, unless told not to,
// the VCF of the same dosages: each sample's DS with three decimals, from
// which the probabilities are made as a dosage-only converter makes them
// (DS d <= 1: P(12) = d, P(11) = 1 - d; d > 1: P(12) = 2 - d, P(22) = d - 1;
// phased: haplotype dosages min(d, 1) and d - min(d, 1)) and stored in B
// bits, so that every stored dosage lies within 1 / (2 (2^B - 1)) of the
// VCF's.
// Usage: make_bgen SAMPLES VARIANTS PREFIX [--bits B] [--zlib|--zstd|--none]
//                  [--layout 1] [--phased] [--no-ids] [--no-vcf] [--seed S]
// writes PREFIX.bgen (and PREFIX.vcf), and PREFIX.bgi.sql: the SQL that
// makes the file's index (`sqlite3 PREFIX.bgen.bgi < PREFIX.bgi.sql`).
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifdef MAKE_BGEN_WITH_ZSTD
#include <zstd.h>
#endif

namespace {

std::vector<unsigned char> out;

void Put32(std::vector<unsigned char>& to, uint32_t v) {
   for (int i = 0; i < 4; i++) to.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void Put16(std::vector<unsigned char>& to, uint32_t v) {
   to.push_back(static_cast<unsigned char>(v));
   to.push_back(static_cast<unsigned char>(v >> 8));
}
void PutString(std::vector<unsigned char>& to, const std::string& s, bool longLength) {
   if (longLength)
      Put32(to, static_cast<uint32_t>(s.size()));
   else
      Put16(to, static_cast<uint32_t>(s.size()));
   to.insert(to.end(), s.begin(), s.end());
}

// Packs values of `bits` bits, least significant bit first.
struct BitPacker {
   std::vector<unsigned char>& to;
   int bits;
   uint64_t word = 0;
   int held = 0;
   void Put(uint64_t value) {
      word |= value << held;
      held += bits;
      while (held >= 8) {
         to.push_back(static_cast<unsigned char>(word));
         word >>= 8;
         held -= 8;
      }
   }
   void Flush() {
      if (held > 0) to.push_back(static_cast<unsigned char>(word));
      word = 0;
      held = 0;
   }
};

[[noreturn]] void Fail(const char* what) {
   fprintf(stderr, "make_bgen: %s\n", what);
   exit(1);
}

}  // namespace

int main(int argc, char** argv) {
   if (argc < 4) {
      fprintf(stderr,
              "Usage: make_bgen SAMPLES VARIANTS PREFIX [--bits B] [--zlib|--zstd|--none] "
              "[--layout 1] [--phased] [--no-ids] [--no-vcf] [--seed S]\n");
      return 2;
   }
   const uint32_t samples = static_cast<uint32_t>(atol(argv[1]));
   const uint32_t variants = static_cast<uint32_t>(atol(argv[2]));
   const std::string prefix = argv[3];
   int bits = 8, compression = 1, layout = 2;
   bool phased = false, ids = true, vcf = true;
   unsigned seed = 1;
   for (int i = 4; i < argc; i++) {
      std::string a = argv[i];
      if (a == "--bits" && i + 1 < argc) bits = atoi(argv[++i]);
      else if (a == "--zlib") compression = 1;
      else if (a == "--zstd") compression = 2;
      else if (a == "--none") compression = 0;
      else if (a == "--layout" && i + 1 < argc) layout = atoi(argv[++i]);
      else if (a == "--phased") phased = true;
      else if (a == "--no-ids") ids = false;
      else if (a == "--no-vcf") vcf = false;
      else if (a == "--seed" && i + 1 < argc) seed = static_cast<unsigned>(atol(argv[++i]));
      else Fail("unknown option");
   }
   if (bits < 1 || bits > 32) Fail("--bits takes 1 to 32");
   if (layout == 1 && (compression == 2 || phased)) Fail("layout 1 has no zstd and no phase");
#ifndef MAKE_BGEN_WITH_ZSTD
   if (compression == 2) Fail("built without zstd");
#endif

   FILE* bgen = fopen((prefix + ".bgen").c_str(), "wb");
   FILE* text = vcf ? fopen((prefix + ".vcf").c_str(), "w") : nullptr;
   FILE* sql = fopen((prefix + ".bgi.sql").c_str(), "w");
   if (bgen == nullptr || sql == nullptr || (vcf && text == nullptr)) Fail("cannot write the outputs");
   fputs("CREATE TABLE Variant (chromosome TEXT, position INT, rsid TEXT, number_of_alleles INT,"
         " allele1 TEXT, allele2 TEXT, file_start_position INT, size_in_bytes INT);\n"
         "BEGIN;\n", sql);
   uint64_t written = 0;

   std::vector<unsigned char> head, block;
   std::vector<unsigned char> sampleBlock;
   if (ids) {
      std::vector<unsigned char> names;
      for (uint32_t i = 0; i < samples; i++) PutString(names, "S" + std::to_string(i + 1), false);
      Put32(sampleBlock, static_cast<uint32_t>(names.size() + 8));
      Put32(sampleBlock, samples);
      sampleBlock.insert(sampleBlock.end(), names.begin(), names.end());
   }
   const uint32_t headerLength = 20;
   Put32(head, headerLength + static_cast<uint32_t>(sampleBlock.size()));
   Put32(head, headerLength);
   Put32(head, variants);
   Put32(head, samples);
   head.insert(head.end(), {'b', 'g', 'e', 'n'});
   Put32(head, static_cast<uint32_t>(compression) | static_cast<uint32_t>(layout) << 2 |
                   (ids ? 0x80000000u : 0));
   head.insert(head.end(), sampleBlock.begin(), sampleBlock.end());
   fwrite(head.data(), 1, head.size(), bgen);
   written += head.size();

   if (vcf) {
      fprintf(text, "##fileformat=VCFv4.2\n##contig=<ID=1,length=248956422>\n");
      fprintf(text, "##FORMAT=<ID=DS,Number=A,Type=Float,Description=\"Dosage\">\n");
      fprintf(text, "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT");
      for (uint32_t i = 0; i < samples; i++) fprintf(text, "\tS%u", i + 1);
      fputc('\n', text);
   }

   std::mt19937_64 random(seed);
   std::uniform_real_distribution<double> unit(0.0, 1.0);
   const char* bases = "ACGT";
   const uint64_t scale = layout == 1 ? 32768 : (uint64_t{1} << bits) - 1;
   std::vector<int> dosages(samples);  // thousandths
   std::vector<unsigned char> raw, packed;
   std::string line;
#ifdef MAKE_BGEN_WITH_ZSTD
   ZSTD_CCtx* zstd = ZSTD_createCCtx();
#endif
   for (uint32_t v = 0; v < variants; v++) {
      // An allele frequency and an imputation quality per variant; each
      // sample's dosage leans from the prior mean towards its genotype.
      double p = 0.01 + 0.49 * unit(random);
      double quality = unit(random);
      for (uint32_t i = 0; i < samples; i++) {
         int genotype = (unit(random) < p) + (unit(random) < p);
         // Uncertain calls scatter around the prior, as real ones do.
         double d = quality * genotype + (1 - quality) * (2 * p + 0.4 * (unit(random) - 0.5));
         d = d < 0 ? 0 : d > 2 ? 2 : d;
         dosages[i] = static_cast<int>(std::lround(d * 1000));
      }
      std::string ref(1, bases[v % 4]), alt(1, bases[(v % 4 + 1 + (v / 4) % 3) % 4]);
      std::string rsid = "rs" + std::to_string(100000 + 7 * v);
      uint32_t position = 10000 + 100 * v;

      // Probabilities quantised so that each set adds up to the scale.
      auto q = [&](double probability) {
         return static_cast<uint64_t>(std::llround(probability * static_cast<double>(scale)));
      };
      raw.clear();
      if (layout == 1) {
         for (uint32_t i = 0; i < samples; i++) {
            double d = dosages[i] / 1000.0;
            uint64_t het = d <= 1 ? q(d) : q(2 - d), hom = d <= 1 ? 0 : q(d - 1);
            uint64_t ref11 = d <= 1 ? q(1 - d) : 0;
            Put16(raw, static_cast<uint32_t>(ref11));
            Put16(raw, static_cast<uint32_t>(het));
            Put16(raw, static_cast<uint32_t>(hom));
         }
      } else {
         Put32(raw, samples);
         Put16(raw, 2);
         raw.push_back(2);
         raw.push_back(2);
         for (uint32_t i = 0; i < samples; i++) raw.push_back(2);
         raw.push_back(phased ? 1 : 0);
         raw.push_back(static_cast<unsigned char>(bits));
         BitPacker packer{raw, bits};
         for (uint32_t i = 0; i < samples; i++) {
            double d = dosages[i] / 1000.0;
            if (phased) {
               double h1 = d < 1 ? d : 1, h2 = d - h1;
               packer.Put(scale - q(h1));
               packer.Put(scale - q(h2));
            } else if (d <= 1) {
               uint64_t first = q(1 - d);
               packer.Put(first);
               packer.Put(scale - first);
            } else {
               packer.Put(0);
               packer.Put(q(2 - d));
            }
         }
         packer.Flush();
      }

      block.clear();
      if (layout == 1) Put32(block, samples);
      PutString(block, "var" + std::to_string(v + 1), false);
      PutString(block, rsid, false);
      PutString(block, "1", false);
      Put32(block, position);
      if (layout == 2) Put16(block, 2);
      PutString(block, ref, true);
      PutString(block, alt, true);
      if (compression == 0) {
         if (layout == 2) Put32(block, static_cast<uint32_t>(raw.size()));
         block.insert(block.end(), raw.begin(), raw.end());
      } else {
         size_t room = compression == 1 ? compressBound(raw.size()) : raw.size() * 2 + 1024;
         packed.resize(room);
         size_t length = room;
         if (compression == 1) {
            uLongf got = room;
            if (compress2(packed.data(), &got, raw.data(), raw.size(), 6) != Z_OK)
               Fail("zlib failed");
            length = got;
         } else {
#ifdef MAKE_BGEN_WITH_ZSTD
            length = ZSTD_compressCCtx(zstd, packed.data(), room, raw.data(), raw.size(), 3);
            if (ZSTD_isError(length)) Fail("zstd failed");
#endif
         }
         if (layout == 1) {
            Put32(block, static_cast<uint32_t>(length));
         } else {
            Put32(block, static_cast<uint32_t>(length + 4));
            Put32(block, static_cast<uint32_t>(raw.size()));
         }
         block.insert(block.end(), packed.begin(), packed.begin() + static_cast<long>(length));
      }
      fwrite(block.data(), 1, block.size(), bgen);
      fprintf(sql, "INSERT INTO Variant VALUES ('1', %u, '%s', 2, '%s', '%s', %llu, %zu);\n", position,
              rsid.c_str(), ref.c_str(), alt.c_str(), static_cast<unsigned long long>(written),
              block.size());
      written += block.size();

      if (vcf) {
         line = "1\t" + std::to_string(position) + "\t" + rsid + "\t" + ref + "\t" + alt +
                "\t.\t.\t.\tDS";
         char number[16];
         for (uint32_t i = 0; i < samples; i++) {
            snprintf(number, sizeof number, "\t%d.%03d", dosages[i] / 1000, dosages[i] % 1000);
            line += number;
         }
         line += '\n';
         fputs(line.c_str(), text);
      }
   }
#ifdef MAKE_BGEN_WITH_ZSTD
   ZSTD_freeCCtx(zstd);
#endif
   if (fclose(bgen) != 0) Fail("cannot write");
   // What the index records of its file: the size and the first bytes.
   unsigned char first[1000];
   FILE* again = fopen((prefix + ".bgen").c_str(), "rb");
   size_t firstLength = again != nullptr ? fread(first, 1, sizeof first, again) : 0;
   if (again != nullptr) fclose(again);
   fprintf(sql,
           "CREATE TABLE Metadata (filename TEXT, file_size INT, last_write_time INT, "
           "first_1000_bytes BLOB, index_creation_time INT);\n"
           "INSERT INTO Metadata VALUES ('%s.bgen', %llu, 0, X'",
           prefix.c_str(), static_cast<unsigned long long>(written));
   for (size_t i = 0; i < firstLength; i++) fprintf(sql, "%02x", first[i]);
   fputs("', 0);\nCOMMIT;\n", sql);
   if (fclose(sql) != 0 || (text != nullptr && fclose(text) != 0))
      Fail("cannot write");
   return 0;
}
