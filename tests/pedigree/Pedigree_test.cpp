#include "pedigree/Pedigree.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

const std::string kData = std::string(LOCI_SOURCE_DIR) + "/tests/data/";

std::string Fatal(const std::string& message) {
   return "\nFATAL ERROR - \n" + message + "\n\n";
}

// Families, their members in family order with their connected group, and
// the founder count, as the case files expect them.
void PrintStructure(Pedigree& ped) {
   int founders = 0;
   for (int f = 0; f < ped.familyCount; f++) founders += ped.families[f]->founders;
   printf("%%%% %d persons, %d families, %d founders\n", ped.count, ped.familyCount, founders);
   for (int f = 0; f < ped.familyCount; f++) {
      Family& family = *ped.families[f];
      IntArray groups;
      int groupCount = family.ConnectedGroups(&groups);
      printf("family %s: generations %d, MZ twins %d, groups %d:", (const char*)family.famid,
             family.generations, family.mzTwins, groupCount);
      for (int i = 0; i < family.count; i++)
         printf(" %s/%d", (const char*)ped.persons[family.path[i]]->pid, groups[i]);
      printf("\n");
   }
}

// Steps of a case file's first line: "prepare:FILES", "load:FILES" (comma
// lists), "optional:FILE" (a load that may fail to open), "sexcov",
// "missing:TEXT", "memory". FILES name sections of the case or, with "@",
// files under tests/data copied in under their base name. A case that does
// not end fatally prints the data and pedigree files written back and the
// structure.
void RunSteps(const std::string& steps) {
   Pedigree ped;
   std::istringstream words(steps);
   for (std::string step; words >> step;) {
      std::string kind = step.substr(0, step.find(':'));
      std::string arg = step.size() > kind.size() ? step.substr(kind.size() + 1) : "";
      if (kind == "sexcov") Pedigree::sexAsCovariate = true;
      if (kind == "missing") Pedigree::missing = arg.c_str();
      if (kind == "prepare") ped.Prepare(arg.c_str());
      if (kind == "load") ped.Load(arg.c_str());
      if (kind == "optional") ped.Load(arg.c_str(), true);
      if (kind == "memory") ped.ShowMemoryInfo();
   }
   printf("%%%% data\n");
   ped.WriteDataFile(stdout);
   printf("%%%% pedigree\n");
   ped.WritePedigreeFile(stdout);
   PrintStructure(ped);
   fflush(stdout);
   exit(0);
}

// Case files in tests/data/pedigree/loading: the steps line, then sections
// "%% NAME" holding input files, then "%% written" or "%% fatal" and the
// expected output. Each case runs in a fresh process, so the registry holds
// only its own names.
TEST(PedigreeCases, LoadWriteBackAndReject) {
   GTEST_FLAG_SET(death_test_style, "threadsafe");
   int cases = 0;
   for (const auto& entry : std::filesystem::directory_iterator(kData + "pedigree/loading")) {
      std::string name = entry.path().filename();
      SCOPED_TRACE(name);
      std::string text = testsupport::ReadFile(entry.path());
      testsupport::TempDir dir;
      std::string steps = text.substr(0, text.find('\n')), expected, outcome;
      for (size_t at = text.find("\n%% "); at != std::string::npos;) {
         size_t nameEnd = text.find('\n', at + 1);
         size_t next = text.find("\n%% ", nameEnd);
         std::string section = text.substr(at + 4, nameEnd - at - 4);
         std::string body = text.substr(
             nameEnd + 1, next == std::string::npos ? std::string::npos : next - nameEnd);
         if (section == "written" || section == "fatal") {
            outcome = section;
            expected = text.substr(nameEnd + 1);
            break;
         }
         dir.Write(section, body);
         at = next;
      }
      for (size_t at = steps.find('@'); at != std::string::npos; at = steps.find('@')) {
         size_t end = steps.find_first_of(", ", at);
         std::string file = steps.substr(at + 1, end == std::string::npos ? end : end - at - 1);
         std::string base = std::filesystem::path(file).filename();
         std::filesystem::copy_file(kData + file, dir.File(base));
         steps.replace(at, file.size() + 1, base);
      }
      std::filesystem::path start = std::filesystem::current_path();
      std::filesystem::current_path(dir.Path());
      if (outcome == "fatal") {
         EXPECT_FATAL(RunSteps(steps), expected);
      } else {
         EXPECT_EXIT(
             {
                testsupport::StdoutCapture capture;
                testsupport::internal::ExitWithOutputCheck(capture, expected,
                                                           [&] { RunSteps(steps); });
             },
             ::testing::ExitedWithCode(0), "");
      }
      std::filesystem::current_path(start);
      cases++;
   }
   EXPECT_GT(cases, 20);
}

}  // namespace
