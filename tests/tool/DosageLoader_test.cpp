// The r2_hat computation end to end through the two loaders: report bytes and
// printed notices for the cases whose output is pinned down exactly.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/StringBasics.h"
#include "tests/support/TestSupport.h"
#include "tests/tool/R2HatTestSupport.h"
#include "tool/DosageLoader.h"
#include "tool/MarkerLoader.h"

namespace {

using testsupport::TempDir;

const char* const kStandardHeader = "Marker\tnIndiv\tFreq1\tMAF\tR2_hat\n";
const char* const kInfoHeader = "SNP\tAl1\tAl2\tFreq1\tMAF\tnIndiv\tr2_hat\n";

// Markers: 0/1/2 (var 1), all 0, all 2, all 1.
const char* const kSnps = "m1\nm2 extra fields\n\nm3\nm4\n";
const char* const kDosages =
    "id1 id1 0 0 2 1\n"
    "id2\tid2 1\t\t0  2 1\n"
    "id3 id3 2 0 2 1\n";
const char* const kRows =
    "m1\t3\t0.500\t0.500\t2.000\n"
    "m2\t3\t1.000\t0.000\t-\n"
    "m3\t3\t0.000\t0.000\t-\n"
    "m4\t3\t0.500\t0.500\t0.000\n";

std::string Closing(const TempDir& dir, const char* suffix) {
   return "Wrote out quality measure r2_hat to file [" + dir.File("out") + suffix + "] ...\n\n";
}

TEST(R2HatReport, StandardLayoutRowsCoverEveryRowFormat) {
   TempDir dir;
   R2HatRun run = RunR2Hat(dir, {kSnps, kDosages});
   EXPECT_EQ(run.report, std::string(kStandardHeader) + kRows);
   EXPECT_EQ(run.stdoutText,
             "Read in 4 markers from marker info file\n\n" + Closing(dir, ".r2_hat"));
}

TEST(R2HatReport, InfoLayoutTakesAllelesAndSuffixFromInfoFile) {
   TempDir dir;
   R2HatInput input{kSnps, kDosages,
                    "SNP Al1 Al2 Freq1\nm1 A G 0.5\n\nm2\tC\tT\nm3 AC A\nm4 G GT x\n", true};
   R2HatRun run = RunR2Hat(dir, input);
   EXPECT_EQ(run.report, std::string(kInfoHeader) +
                             "m1\tA\tG\t0.500\t0.500\t3\t2.000\n"
                             "m2\tC\tT\t1.000\t0.000\t3\t-\n"
                             "m3\tAC\tA\t0.000\t0.000\t3\t-\n"
                             "m4\tG\tGT\t0.500\t0.500\t3\t0.000\n");
   EXPECT_EQ(run.stdoutText, "Read in 4 markers from marker info file\n\n" + Closing(dir, ".info"));
}

TEST(R2HatReport, FewAcceptedLinesGiveDashes) {
   TempDir dir;
   R2HatRun one = RunR2Hat(dir, {"a\nb\n", "x x 1 2\n"});
   EXPECT_EQ(one.report, std::string(kStandardHeader) + "a\t1\t-\t-\t-\nb\t1\t-\t-\t-\n");

   R2HatRun none = RunR2Hat(dir, {"a\n", ""});
   EXPECT_EQ(none.report, std::string(kStandardHeader) + "a\t0\t-\t-\t-\n");

   R2HatInput info{"a\n", "x x 1\n", "header\na C T\n", true};
   EXPECT_EQ(RunR2Hat(dir, info).report, std::string(kInfoHeader) + "a\tC\tT\t-\t-\t1\t-\n");
}

TEST(R2HatReport, SkippedLinesAreNumberedOverEveryLineRead) {
   TempDir dir;
   // Line 2 is blank (silent), line 3 has one dosage too many, line 5 one too few.
   R2HatRun run = RunR2Hat(dir, {"a\nb\n", "i i 0 1\n\ni i 1 1 1\ni i 2 1\ni i 2\n"});
   EXPECT_EQ(run.stdoutText,
             "Read in 2 markers from marker info file\n\n"
             "Skipped line 3 in dosagefile contains 3 markers != 2 in snpsfile\n"
             "Skipped line 5 in dosagefile contains 1 markers != 2 in snpsfile\n" +
                 Closing(dir, ".r2_hat"));
   EXPECT_EQ(run.report, std::string(kStandardHeader) +
                             "a\t2\t0.500\t0.500\t4.000\nb\t2\t0.500\t0.500\t0.000\n");
}

TEST(R2HatReport, NoMarkersAcceptsLinesOfTwoFieldsOnly) {
   TempDir dir;
   R2HatRun run = RunR2Hat(dir, {"\n \n", "a b\na b c\n\nx y\n"});
   EXPECT_EQ(run.report, kStandardHeader);
   EXPECT_EQ(run.stdoutText,
             "Read in 0 markers from marker info file\n\n"
             "Skipped line 2 in dosagefile contains 1 markers != 0 in snpsfile\n" +
                 Closing(dir, ".r2_hat"));
}

TEST(R2HatReport, SpecialDosagesFollowAtof) {
   TempDir dir;
   // "nan" poisons its marker; a field without a leading number counts as 0;
   // exponents and leading '+' are numbers as atof reads them. A NaN is
   // written without a sign, whatever signs met in its sums.
   R2HatRun run = RunR2Hat(
       dir, {"n\nz\ne\ns\n", "i i nan abc 2e0 -nan\ni i 1 x1 +1.0 nan\ni i 0 0 0.0e+1 1\n"});
   EXPECT_EQ(run.report, std::string(kStandardHeader) +
                             "n\t3\tnan\tnan\tnan\n"
                             "z\t3\t1.000\t0.000\t-\n"
                             "e\t3\t0.500\t0.500\t2.000\n"
                             "s\t3\tnan\tnan\tnan\n");
}

TEST(R2HatReport, EqualDosagesMayRoundToNegativeZero) {
   TempDir dir;
   // 0.1 three times: the one-pass variance comes out a hair below zero.
   R2HatRun run = RunR2Hat(dir, {"a\n", "i i 0.1\ni i 0.1\ni i 0.1\n"});
   EXPECT_EQ(run.report, std::string(kStandardHeader) + "a\t3\t0.950\t0.050\t-0.000\n");
}

// The same data in every line-end convention, plain and compressed, gives the
// same report and the same notices.
TEST(R2HatReport, LineEndsAndCompressionDoNotChangeTheOutput) {
   TempDir dir;
   const std::string dosages = "i i 0 1\n\ni i 1 1 1\ni i 2 1\n";
   const std::string info = "SNP A1 A2\na A C\nb G T\n";
   R2HatRun reference = RunR2Hat(dir, {"a\nb\n", dosages, info, true});
   ASSERT_NE(reference.stdoutText.find("Skipped line 3 "), std::string::npos);

   for (const char* lineEnd : {"\n", "\r", "\r\n", "\n\r"}) {
      for (int gz = 0; gz < 4; gz++) {
         SCOPED_TRACE(testing::Message() << "line end " << int(lineEnd[0]) << "," << int(lineEnd[1])
                                         << " gzip mask " << gz);
         R2HatInput input{WithLineEnds("a\nb\n", lineEnd),
                          WithLineEnds(dosages, lineEnd),
                          WithLineEnds(info, lineEnd),
                          true,
                          (gz & 1) != 0,
                          (gz & 2) != 0};
         R2HatRun run = RunR2Hat(dir, input);
         EXPECT_EQ(run.report, reference.report);
         EXPECT_EQ(run.stdoutText, reference.stdoutText);
      }
   }
}

// A CR ending the info file and an LF starting the dosage file are one line
// end: the line-end memory is shared by every input file.
TEST(R2HatReport, LineEndMemoryCarriesFromInfoFileIntoDosageFile) {
   TempDir dir;
   R2HatRun run = RunR2Hat(dir, {"a\n", "\ni i i i\ni i 1\n", "SNP A1 A2\ra C T\r", true});
   EXPECT_EQ(run.stdoutText,
             "Read in 1 markers from marker info file\n\n"
             "Skipped line 1 in dosagefile contains 2 markers != 1 in snpsfile\n" +
                 Closing(dir, ".info"));
}

TEST(R2HatReport, NamesAreComparedUnderTheCaseSwitch) {
   TempDir dir;
   String::caseSensitive = false;
   R2HatRun run = RunR2Hat(dir, {"RS1\n", "i i 1\n", "h\nrs1 A C\n", true});
   String::caseSensitive = true;
   EXPECT_EQ(run.report, std::string(kInfoHeader) + "RS1\tA\tC\t-\t-\t1\t-\n");
}

// ---------------------------------------------------------------- failures

std::string ReadIn(int n) {
   return "Read in " + std::to_string(n) + " markers from marker info file\n\n";
}
std::string Fatal(const std::string& message) {
   return "\nFATAL ERROR - \n" + message + "\n\n";
}

TEST(R2HatFailuresDeathTest, InfoFileMustMatchTheSnpList) {
   TempDir dir;
   std::string prefix = dir.File("out");
   std::string info = dir.File("info.txt");

   EXPECT_FATAL(
       RunR2HatUncaptured(dir, {"a\nb\n", "", "a A C\nb A C\n", true}, prefix),
       ReadIn(2) + Fatal("Expect marker a while read marker b from imputation info file\n\n"));
   EXPECT_FATAL(RunR2HatUncaptured(dir, {"a\nb\n", "", "h\na A C\nb A C\nc A C\n", true}, prefix),
                ReadIn(2) + Fatal("Imputation Info File [" + info +
                                  "] lists 3 markers, but the SNP list has 2\n\n"));
   EXPECT_FATAL(RunR2HatUncaptured(dir, {"a\nb\n", "", "h\na A C\n\n", true}, prefix),
                ReadIn(2) + Fatal("Imputation Info File [" + info +
                                  "] lists 1 markers, but the SNP list has 2\n\n"));
   EXPECT_FATAL(RunR2HatUncaptured(dir, {"a\nb\n", "", "h\na A C\nb A\n", true}, prefix),
                ReadIn(2) + Fatal("Imputation Info File [" + info +
                                  "] gives no allele labels for marker b: its line has 2 fields, "
                                  "where marker, allele 1 and allele 2 are expected\n\n"));
}

TEST(R2HatFailuresDeathTest, MissingFilesAreNamed) {
   TempDir dir;
   std::string missing = dir.File("missing");
   MarkerLoader markers;
   DosageLoader loader;
   String prefix(dir.File("out").c_str());
   EXPECT_FATAL(markers.LoadMarkers(missing.c_str()),
                Fatal("Marker Info File [" + missing + "] could not be opened\n\n"));
   EXPECT_FATAL(markers.LoadMarkers(""), Fatal("Marker Info File [] could not be opened\n\n"));
   EXPECT_FATAL(markers.LoadAlleles(missing.c_str()),
                Fatal("Imputation Info File [" + missing + "] could not be opened\n\n"));
   EXPECT_FATAL(loader.DosageAnalysis(missing.c_str(), prefix, markers),
                Fatal("File [" + missing + "] with dosages could not be opened\n\n"));
}

std::string TruncatedGzip(const std::string& text) {
   std::string gz = testsupport::Gzip(text);
   return gz.substr(0, gz.size() / 2);
}

std::string BigDosages() {
   std::string text;
   for (int i = 0; i < 5000; i++) text += "id id 0.123 1.456 " + std::to_string(i % 3) + "\n";
   return text;
}

// Input that ends in a read error stops the run with the file named, and the
// report of an earlier run stays as it was.
TEST(R2HatFailuresDeathTest, ReadErrorsAreFatalAndLeaveNoReport) {
   TempDir dir;
   std::string prefix = dir.File("out");
   std::string earlier = "an earlier report\n";
   dir.Write("out.r2_hat", earlier);
   dir.Write("out.info", earlier);

   std::string truncated = dir.Write("trunc.gz", TruncatedGzip(BigDosages()));
   std::string snps = dir.Write("abc.txt", "a\nb\nc\n");
   {
      MarkerLoader markers;
      DosageLoader loader;
      String reportPrefix(prefix.c_str());
      EXPECT_FATAL(
          {
             markers.LoadMarkers(snps.c_str());
             loader.DosageAnalysis(truncated.c_str(), reportPrefix, markers);
          },
          ReadIn(3) +
              Fatal("File [" + truncated +
                    "] with dosages could not be read to its end: unexpected end of file\n\n"));
      EXPECT_FATAL(
          {
             markers.LoadMarkers(snps.c_str());
             loader.DosageAnalysis(dir.Path().c_str(), reportPrefix, markers);
          },
          ReadIn(3) + Fatal("File [" + dir.Path() +
                            "] with dosages could not be read to its end: Is a directory\n\n"));

      // A damaged check sum: every byte arrives, and the damage shows at the end.
      std::string corrupt = testsupport::Gzip(BigDosages());
      for (size_t i = corrupt.size() - 8; i < corrupt.size() - 4; i++) corrupt[i] ^= 0x5a;
      std::string corruptName = dir.Write("corrupt.gz", corrupt);
      EXPECT_FATAL(
          {
             markers.LoadMarkers(snps.c_str());
             loader.DosageAnalysis(corruptName.c_str(), reportPrefix, markers);
          },
          ReadIn(3) +
              Fatal("File [" + corruptName +
                    "] with dosages could not be read to its end: incorrect data check\n\n"));
   }
   {
      MarkerLoader markers;
      std::string info = dir.Write("info.gz", TruncatedGzip("h\n" + BigDosages()));
      EXPECT_FATAL(
          {
             markers.LoadMarkers(snps.c_str());
             markers.hasInfoFile = true;
             markers.LoadAlleles(info.c_str());
          },
          ReadIn(3) + Fatal("Expect marker a while read marker id from imputation info file\n\n"));
      std::string goodStart = dir.Write(
          "info2.gz", TruncatedGzip("h\na A C\nb A C\nc A C\n" + std::string(20000, '\n')));
      EXPECT_FATAL(
          {
             markers.LoadMarkers(snps.c_str());
             markers.LoadAlleles(goodStart.c_str());
          },
          ReadIn(3) + Fatal("Imputation Info File [" + goodStart +
                            "] could not be read to its end: unexpected end of file\n\n"));
      EXPECT_FATAL(
          {
             markers.LoadMarkers(snps.c_str());
             markers.LoadAlleles(dir.Path().c_str());
          },
          ReadIn(3) + Fatal("Imputation Info File [" + dir.Path() +
                            "] could not be read to its end: Is a directory\n\n"));
      EXPECT_FATAL(
          markers.LoadMarkers(dir.Path().c_str()),
          Fatal("Marker Info File [" + dir.Path() + "] could not be read: Is a directory\n\n"));
   }
   EXPECT_EQ(testsupport::ReadFile(prefix + ".r2_hat"), earlier);
   EXPECT_EQ(testsupport::ReadFile(prefix + ".info"), earlier);
}

TEST(R2HatFailuresDeathTest, UnwritableReportIsFatal) {
   TempDir dir;
   std::string noDir = dir.File("no/such/dir/out");
   EXPECT_FATAL(RunR2HatUncaptured(dir, {"a\n", "i i 1\n", "h\na A C\n", true}, noDir),
                ReadIn(1) + Fatal("Error opening output file [" + noDir + ".info]\n"));
   EXPECT_FATAL(RunR2HatUncaptured(dir, {"a\n", "i i 1\n"}, noDir),
                ReadIn(1) + Fatal("Error opening output file [" + noDir + ".r2_hat]\n"));

   std::string full = dir.File("full");
   ASSERT_EQ(symlink("/dev/full", (full + ".r2_hat").c_str()), 0);
   EXPECT_FATAL(RunR2HatUncaptured(dir, {"a\n", "i i 1\n"}, full),
                ReadIn(1) + Fatal("Could not write the report file [" + full +
                                  ".r2_hat]: No space left on device\n"));
   struct stat st;
   EXPECT_EQ(lstat((full + ".r2_hat").c_str(), &st), 0) << "the link itself is left alone";
}

}  // namespace
