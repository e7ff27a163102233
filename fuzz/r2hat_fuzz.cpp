// The r2_hat path end to end: SNP list, optional info file and dosage file
// from one input, loaded and analysed as the tool does, the report checked.
//
// Input layout: one flag byte, then the SNP list, the info file and the dosage
// file, separated by the byte 0x1e (record separator). Flag bits:
//   0  an info file is given        1  the dosage file is gzip-compressed
//   2  the info file is gzip-compressed
//   3-4  DOSE_START_INDEX: 2, 0, 1 or 3
//   5  names are compared without regard to case
//   6-7  what happens to the compressed dosage file: nothing; it loses its
//        last bytes; one byte changes; it is cut into two members and
//        followed by bytes that are not gzip
//
// Properties: a fatal input leaves no report, and a truncated dosage file is
// fatal; otherwise the report has its header and one row per marker, and
// equals the report an independent computation from the same bytes gives
// (lines at CR and LF, fields at " \t\r\n", atof, the formulas and row formats
// of the report). The dosage readers the tool may choose between (the input
// file's own stream, and the faster gzip decoder when built in) deliver the
// same bytes and fail alike.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/StringBasics.h"
#include "fuzz/FuzzSupport.h"
#include "io/InputFile.h"
#include "tool/DosageInput.h"
#include "tool/DosageLoader.h"
#include "tool/MarkerLoader.h"

namespace {

using fuzzsupport::FileGuard;
using fuzzsupport::FuzzFatal;
using fuzzsupport::IfileGuard;

const char kRecordSeparator = '\x1e';
const size_t kMaxDrained = 64u << 20;

enum Damage { kIntact, kTruncated, kChangedByte, kMembersAndTrailingBytes };

struct Restore {
   int doseStart = DOSE_START_INDEX;
   bool caseSensitive = String::caseSensitive;
   ~Restore() {
      DOSE_START_INDEX = doseStart;
      String::caseSensitive = caseSensitive;
   }
};

std::vector<std::string> Split(const std::string& text, const char* separators) {
   std::vector<std::string> parts;
   std::string current;
   for (char c : text) {
      if (c != 0 && strchr(separators, c) != nullptr) {
         if (!current.empty()) parts.push_back(current);
         current.clear();
      } else {
         current += c;
      }
   }
   if (!current.empty()) parts.push_back(current);
   return parts;
}

// The sign of a not-a-number is not written.
double Signless(double x) {
   return std::isnan(x) ? std::fabs(x) : x;
}

// The report these dosage bytes call for, computed without the loader.
std::string ExpectedReport(const std::string& dosages, const MarkerLoader& markers) {
   int n = markers.markerCount;
   std::vector<double> sum(n, 0.0), sumsq(n, 0.0);
   std::vector<int> count(n, 0);
   for (const std::string& line : Split(dosages, "\r\n")) {
      std::vector<std::string> fields = Split(line, " \t\r\n");
      if (fields.empty() || static_cast<long>(fields.size()) - DOSE_START_INDEX != n) continue;
      for (int i = 0; i < n; i++) {
         double d = atof(fields[DOSE_START_INDEX + i].c_str());
         sum[i] += d;
         sumsq[i] += d * d;
         count[i]++;
      }
   }

   bool info = markers.hasInfoFile;
   std::string report = info ? "SNP\tAl1\tAl2\tFreq1\tMAF\tnIndiv\tr2_hat\n"
                             : "Marker\tnIndiv\tFreq1\tMAF\tR2_hat\n";
   for (int i = 0; i < n; i++) {
      report += static_cast<const char*>(markers.markerNames[i]);
      const char* a1 = info ? static_cast<const char*>(markers.allele1[i]) : "";
      const char* a2 = info ? static_cast<const char*>(markers.allele2[i]) : "";
      String row;
      int c = count[i];
      if (c <= 1) {
         if (info)
            row.printf("\t%s\t%s\t-\t-\t%d\t-\n", a1, a2, c);
         else
            row.printf("\t%d\t-\t-\t-\n", c);
      } else {
         double p = (sum[i] / 2.0) / c;
         double q = 1.0 - p;
         double var = (sumsq[i] - (sum[i] * sum[i]) / c) / (c - 1);
         double maf = Signless(q > p ? p : q);
         double freq1 = Signless(q);
         if (p == 0.0 || p == 1.0) {
            if (info)
               row.printf("\t%s\t%s\t%.3f\t%.3f\t%d\t-\n", a1, a2, freq1, maf, c);
            else
               row.printf("\t%d\t%.3f\t%.3f\t-\n", c, freq1, maf);
         } else {
            double r2 = Signless(((var / 2.0) / p) / q);
            if (info)
               row.printf("\t%s\t%s\t%.3f\t%.3f\t%d\t%.3f\n", a1, a2, freq1, maf, c, r2);
            else
               row.printf("\t%d\t%.3f\t%.3f\t%.3f\n", c, freq1, maf, r2);
         }
      }
      report += static_cast<const char*>(row);
   }
   return report;
}

struct Drained {
   std::string bytes;
   bool failed;
};

Drained Drain(BlockSource& source, size_t capacity) {
   Drained result;
   std::vector<char> buffer(capacity);
   size_t got;
   while ((got = source.Read(buffer.data(), capacity)) > 0) {
      LOCI_FUZZ_CHECK(got <= capacity);
      result.bytes.append(buffer.data(), got);
      LOCI_FUZZ_CHECK(result.bytes.size() <= kMaxDrained);
   }
   result.failed = source.Failed();
   return result;
}

// The faster decoder must read exactly what the input file's stream reads.
void CompareDosageSources(const std::string& path, size_t capacity) {
   std::unique_ptr<BlockSource> fast = OpenFastGzipSource(path.c_str());
   if (!fast) return;
   IFILE file = ifopen(path.c_str(), "rt");
   LOCI_FUZZ_CHECK(!(file == nullptr));
   IfileGuard guard(file);
   std::unique_ptr<BlockSource> plain = OpenIfileSource(file, path.c_str());
   Drained a = Drain(*fast, capacity);
   Drained b = Drain(*plain, 1 << 16);
   if (a.failed != b.failed || (!a.failed && a.bytes != b.bytes)) {
      fprintf(stderr, "dosage sources differ: fast %zu bytes%s, zlib %zu bytes%s\n", a.bytes.size(),
              a.failed ? " (failed)" : "", b.bytes.size(), b.failed ? " (failed)" : "");
      fuzzsupport::Fail();
   }
}

void Run(const uint8_t* data, size_t size) {
   if (size == 0) return;
   unsigned flags = data[0];
   std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
   std::string parts[3];
   int part = 0;
   for (char c : rest) {
      if (c == kRecordSeparator && part < 2)
         part++;
      else
         parts[part] += c;
   }
   const std::string& snps = parts[0];
   const std::string& info = parts[1];
   const std::string& dosages = parts[2];

   bool hasInfo = (flags & 1) != 0;
   bool gzipDosages = (flags & 2) != 0;
   bool gzipInfo = (flags & 4) != 0;
   Damage damage = gzipDosages ? static_cast<Damage>((flags >> 6) & 3) : kIntact;

   Restore restore;
   static const int kDoseStarts[] = {2, 0, 1, 3};
   DOSE_START_INDEX = kDoseStarts[(flags >> 3) & 3];
   String::caseSensitive = (flags & 32) == 0;
   fuzzsupport::ResetLineEndMemory();

   // What the loader reads from the dosage file: the text, unless a changed
   // byte spoiled the gzip signature, when it reads the file's bytes as they are.
   std::string seen = dosages;
   std::string doseBytes = dosages;
   if (gzipDosages) {
      doseBytes = fuzzsupport::Gzip(dosages, 6);
      size_t position = rest.size() % doseBytes.size();
      switch (damage) {
         case kIntact:
            break;
         case kTruncated:
            doseBytes.resize(doseBytes.size() - 1 - rest.size() % 8);
            break;
         case kChangedByte:
            doseBytes[position] = static_cast<char>(doseBytes[position] ^ (1 + snps.size() % 255));
            if (doseBytes[0] != '\x1f' || doseBytes[1] != '\x8b') seen = doseBytes;
            break;
         case kMembersAndTrailingBytes: {
            size_t cut = dosages.size() / 2;
            doseBytes = fuzzsupport::Gzip(dosages.substr(0, cut), 1) +
                        fuzzsupport::Gzip(dosages.substr(cut), 9) + "x" + snps;
            break;
         }
      }
   }

   std::string snpPath = fuzzsupport::WriteScratch("snps.txt", snps);
   std::string infoPath =
       fuzzsupport::WriteScratch("info", gzipInfo ? fuzzsupport::Gzip(info, 6) : info);
   std::string dosePath = fuzzsupport::WriteScratch("dose", doseBytes);
   String prefix(fuzzsupport::ScratchFile("out").c_str());
   std::string reportPath = fuzzsupport::ScratchFile("out") + (hasInfo ? ".info" : ".r2_hat");
   remove(reportPath.c_str());

   CompareDosageSources(dosePath, 1 + (dosages.size() * 31 + flags) % 4096);

   MarkerLoader markers;
   bool fatal = false;
   try {
      FILE* snpFile = fopen(snpPath.c_str(), "rt");
      LOCI_FUZZ_CHECK(snpFile != nullptr);
      {
         FileGuard guard(snpFile);
         markers.LoadMarkers(snpFile);
      }
      LOCI_FUZZ_CHECK(markers.markerCount == markers.markerNames.Length());
      if (hasInfo) {
         markers.hasInfoFile = true;
         IFILE infoFile = ifopen(infoPath.c_str(), "rb");
         LOCI_FUZZ_CHECK(!(infoFile == nullptr));
         IfileGuard guard(infoFile);
         markers.LoadAlleles(infoFile);
         LOCI_FUZZ_CHECK(markers.allele1.Length() == markers.markerCount);
         LOCI_FUZZ_CHECK(markers.allele2.Length() == markers.markerCount);
      }
      // The file-name form would leave its handle open when a fatal error
      // unwinds it; the faster decoder it may choose is compared above.
      IFILE doseFile = ifopen(dosePath.c_str(), "rt");
      LOCI_FUZZ_CHECK(!(doseFile == nullptr));
      IfileGuard guard(doseFile);
      DosageLoader loader;
      loader.DosageAnalysis(doseFile, prefix, markers);
   } catch (const FuzzFatal&) {
      fatal = true;
   }

   bool exists = false;
   std::string report = fuzzsupport::ReadWhole(reportPath, exists);
   if (fatal) {
      LOCI_FUZZ_CHECK(!exists);  // a run that failed must not leave a report
      return;
   }
   LOCI_FUZZ_CHECK(damage != kTruncated);  // a cut dosage file must not pass for a whole one
   LOCI_FUZZ_CHECK(exists);

   size_t lines = 0;
   for (char c : report) lines += c == '\n';
   LOCI_FUZZ_CHECK(lines == static_cast<size_t>(markers.markerCount) + 1);
   LOCI_FUZZ_CHECK(!report.empty() && report.back() == '\n');

   // Text that is itself gzip data is decompressed by the loader; the
   // independent computation reads plain text only.
   bool plainText = seen.size() < 2 || seen[0] != '\x1f' || seen[1] != '\x8b' ||
                    (gzipDosages && seen == dosages);
   if (plainText) {
      std::string expected = ExpectedReport(seen, markers);
      if (report != expected) {
         fprintf(stderr, "report differs\n--- expected\n%s--- actual\n%s---\n", expected.c_str(),
                 report.c_str());
         fuzzsupport::Fail();
      }
   }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   static const bool ready = fuzzsupport::SetUp();
   (void)ready;
   Run(data, size);
   return 0;
}
