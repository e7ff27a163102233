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
// fatal; otherwise the report and the notices are the oracle's
// (tests/tool/R2HatOracle.h). The dosage readers the tool may choose between
// (the input file's own stream, and the faster gzip decoder when built in)
// deliver the same bytes and fail alike.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/StringBasics.h"
#include "io/InputFile.h"
#include "tests/support/Support.h"
#include "tests/tool/R2HatOracle.h"
#include "tool/DosageInput.h"
#include "tool/DosageLoader.h"
#include "tool/MarkerLoader.h"

namespace {

using testsupport::Gzip;

enum Damage { kIntact, kTruncated, kChangedByte, kMembersAndTrailingBytes };

std::string Drain(BlockSource& source, size_t capacity) {
   std::string bytes;
   std::vector<char> buffer(capacity);
   for (size_t got; (got = source.Read(buffer.data(), capacity)) > 0;) {
      LOCI_FUZZ_CHECK(got <= capacity && bytes.size() < (64u << 20));
      bytes.append(buffer.data(), got);
   }
   return bytes;
}

// The faster decoder must read exactly what the input file's stream reads.
void CompareDosageSources(const std::string& path, size_t capacity) {
   std::unique_ptr<BlockSource> fast = OpenFastGzipSource(path.c_str());
   if (!fast) return;
   IFILE file = ifopen(path.c_str(), "rt");
   std::unique_ptr<BlockSource> plain = OpenIfileSource(file, path.c_str());
   std::string a = Drain(*fast, capacity), b = Drain(*plain, 1 << 16);
   LOCI_FUZZ_CHECK(fast->Failed() == plain->Failed() && (fast->Failed() || a == b));
   ifclose(file);
}

bool LooksGzip(const std::string& bytes) {
   return bytes.size() >= 2 && bytes[0] == '\x1f' && bytes[1] == '\x8b';
}

void Run(const uint8_t* data, size_t size) {
   if (size == 0) return;
   unsigned flags = data[0];
   std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
   std::string parts[3];
   int part = 0;
   for (char c : rest) {
      if (c == '\x1e' && part < 2)
         part++;
      else
         parts[part] += c;
   }
   const std::string &snps = parts[0], &info = parts[1], &dosages = parts[2];
   bool hasInfo = (flags & 1) != 0;
   bool gzipDosages = (flags & 2) != 0;
   bool gzipInfo = (flags & 4) != 0;
   Damage damage = gzipDosages ? static_cast<Damage>((flags >> 6) & 3) : kIntact;

   // Every input sets the process-wide settings for itself.
   static const int kDoseStarts[] = {2, 0, 1, 3};
   DOSE_START_INDEX = kDoseStarts[(flags >> 3) & 3];
   String::caseSensitive = (flags & 32) == 0;
   testsupport::ResetLineEndMemory();

   // What the loader reads from the dosage file: the text, unless a changed
   // byte spoiled the gzip signature, when it reads the file's bytes as they are.
   std::string seen = dosages, doseBytes = dosages;
   if (gzipDosages) {
      doseBytes = Gzip(dosages);
      size_t position = rest.size() % doseBytes.size();
      if (damage == kTruncated) doseBytes.resize(doseBytes.size() - 1 - rest.size() % 8);
      if (damage == kChangedByte) {
         doseBytes[position] = static_cast<char>(doseBytes[position] ^ (1 + snps.size() % 255));
         if (!LooksGzip(doseBytes)) seen = doseBytes;
      }
      if (damage == kMembersAndTrailingBytes) {
         size_t cut = dosages.size() / 2;
         doseBytes = Gzip(dosages.substr(0, cut), 1) + Gzip(dosages.substr(cut), 9) + "x" + snps;
      }
   }

   testsupport::TempDir& dir = testsupport::FuzzScratch();
   std::string snpPath = dir.Write("snps.txt", snps);
   std::string infoPath = dir.Write("info", gzipInfo ? Gzip(info) : info);
   std::string dosePath = dir.Write("dose", doseBytes);
   String prefix(dir.File("out").c_str());
   std::string reportPath = dir.File("out") + (hasInfo ? ".info" : ".r2_hat");
   remove(reportPath.c_str());

   CompareDosageSources(dosePath, 1 + (dosages.size() * 31 + flags) % 4096);

   // The file-name entries would leave their files open when a fatal error
   // unwinds them: the files are opened and closed here.
   FILE* snpFile = fopen(snpPath.c_str(), "rt");
   IFILE infoFile = ifopen(infoPath.c_str(), "rb"), doseFile = ifopen(dosePath.c_str(), "rt");
   LOCI_FUZZ_CHECK(snpFile != nullptr && !(infoFile == nullptr) && !(doseFile == nullptr));
   MarkerLoader markers;
   bool fatal = false;
   std::string printed;
   try {
      testsupport::StdoutCapture capture;
      markers.LoadMarkers(snpFile);
      LOCI_FUZZ_CHECK(markers.markerCount == markers.markerNames.Length());
      if (hasInfo) {
         markers.hasInfoFile = true;
         markers.LoadAlleles(infoFile);
         LOCI_FUZZ_CHECK(markers.allele1.Length() == markers.markerCount &&
                         markers.allele2.Length() == markers.markerCount);
      }
      DosageLoader().DosageAnalysis(doseFile, prefix, markers);
      printed = capture.Finish();
   } catch (const testsupport::Fatal&) {
      fatal = true;
   }
   fclose(snpFile);
   ifclose(infoFile);
   ifclose(doseFile);

   std::string report = testsupport::ReadFile(reportPath);
   if (fatal) {
      LOCI_FUZZ_CHECK(access(reportPath.c_str(), F_OK) != 0);  // a failed run leaves no report
      return;
   }
   LOCI_FUZZ_CHECK(damage != kTruncated);  // a cut dosage file must not pass for a whole one
   LOCI_FUZZ_CHECK(!report.empty());

   // Text that is itself gzip data is decompressed by the loader; the oracle
   // reads plain text only.
   if (LooksGzip(seen) && !(gzipDosages && seen == dosages)) return;
   if (hasInfo && !gzipInfo && LooksGzip(info)) return;
   std::vector<std::string> names, alleles;
   for (int i = 0; i < markers.markerCount; i++) {
      names.push_back(static_cast<const char*>(markers.markerNames[i]));
      if (!hasInfo) continue;
      alleles.push_back(static_cast<const char*>(markers.allele1[i]));
      alleles.push_back(static_cast<const char*>(markers.allele2[i]));
   }
   int last = 0;
   if (hasInfo) r2hatoracle::Lines(info, last);
   r2hatoracle::Sums sums(names.size());
   std::string notices = r2hatoracle::Accumulate(seen, DOSE_START_INDEX, last, sums);
   std::string expected = r2hatoracle::Report(names, hasInfo ? &alleles : nullptr, sums);
   LOCI_FUZZ_CHECK(report == expected);
   LOCI_FUZZ_CHECK(printed == "Read in " + std::to_string(names.size()) +
                                  " markers from marker info file\n\n" + notices +
                                  "Wrote out quality measure r2_hat to file [" + dir.File("out") +
                                  (hasInfo ? ".info" : ".r2_hat") + "] ...\n\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   testsupport::FuzzScratch();
   Run(data, size);
   return 0;
}
