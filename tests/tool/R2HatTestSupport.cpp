#include "tests/tool/R2HatTestSupport.h"

#include <sys/stat.h>

#include "base/StringBasics.h"
#include "tool/DosageLoader.h"
#include "tool/MarkerLoader.h"

void ResetLineEndMemory(const testsupport::TempDir& dir) {
   std::string name = dir.Write("reset.txt", "x");
   IFILE f = ifopen(name.c_str(), "rb");
   String line;
   while (!ifeof(f)) line.ReadLine(f);
   ifclose(f);
}

void RunR2HatUncaptured(const testsupport::TempDir& dir, const R2HatInput& input,
                        const std::string& prefix) {
   ResetLineEndMemory(dir);
   std::string snps = dir.Write("snps.txt", input.snps);
   std::string dosages = input.gzipDosages ? dir.WriteGzip("dosages.gz", input.dosages)
                                           : dir.Write("dosages.txt", input.dosages);
   std::string info;
   if (input.withInfo)
      info =
          input.gzipInfo ? dir.WriteGzip("info.gz", input.info) : dir.Write("info.txt", input.info);

   String reportPrefix(prefix.c_str());
   MarkerLoader markers;
   DosageLoader loader;
   markers.LoadMarkers(snps.c_str());
   if (input.withInfo) {
      markers.hasInfoFile = true;
      markers.LoadAlleles(info.c_str());
   }
   loader.DosageAnalysis(dosages.c_str(), reportPrefix, markers);
}

R2HatRun RunR2Hat(const testsupport::TempDir& dir, const R2HatInput& input) {
   R2HatRun run;
   {
      testsupport::StdoutCapture capture;
      RunR2HatUncaptured(dir, input, dir.File("out"));
      run.stdoutText = capture.Finish();
   }
   std::string reportName = dir.File(input.withInfo ? "out.info" : "out.r2_hat");
   struct stat st;
   run.reportExists = stat(reportName.c_str(), &st) == 0;
   run.report = run.reportExists ? testsupport::ReadFile(reportName) : "";
   return run;
}

std::string WithLineEnds(const std::string& text, const std::string& lineEnd) {
   std::string out;
   for (char c : text) {
      if (c == '\n')
         out += lineEnd;
      else
         out += c;
   }
   return out;
}
