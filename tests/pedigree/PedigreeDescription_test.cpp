#include "pedigree/PedigreeDescription.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/support/TestSupport.h"

// Names stay registered for the whole process; marker records are released
// when the last description dies, so each case sees fresh records. Cases that
// check which names a file registers use names of their own.
namespace {

using PD = PedigreeDescription;
const std::string kData = std::string(LOCI_SOURCE_DIR) + "/tests/data/";

std::string Captured(const std::function<void()>& body) {
   testsupport::StdoutCapture capture;
   body();
   return capture.Finish();
}

std::string Format(const char* format, double value) {
   char text[64];
   snprintf(text, sizeof text, format, value);
   return text;
}

std::string DescribeMarker(int id) {
   MarkerInfo* info = PD::GetMarkerInfo(id);
   std::string text = "marker " + std::string(PD::markerNames[id]);
   text += " chr " + std::to_string(info->chromosome) + " at " + Format("%.9g", info->position);
   text += " (female " + Format("%.9g", info->positionFemale) + ", male " +
           Format("%.9g", info->positionMale) + ") alleles";
   for (int i = 0; i < info->alleleLabels.Length(); i++)
      text += " '" + std::string(info->alleleLabels[i]) + "'";
   text += " freq";
   for (int i = 0; i < info->freq.Length(); i++) text += " " + Format("%.9g", info->freq[i]);
   return text + "\n";
}

// The columns in order with the names of their items, then the markers that
// the load registered without a column.
std::string Describe(PD& d, int markersBefore) {
   String summary;
   d.ColumnSummary(summary);
   std::string text = "columns " + std::to_string(d.columnCount) + " (text " +
                      std::to_string(d.CountTextColumns()) + "): " + std::string(summary) +
                      "\nmendel " + std::to_string(d.mendelFormat) + "\n";
   if (!d.filename.IsEmpty())
      text += "file " +
              std::filesystem::path(static_cast<const char*>(d.filename)).filename().string() +
              "\n";
   IntArray seen;
   const char* names[] = {"skip", "", "trait", "affection", "covariate", "zygosity", "end"};
   for (int i = 0; i < d.columns.Length(); i++) {
      int kind = d.columns[i], id = d.columnHash[i];
      if (kind == pdMarker) {
         text += DescribeMarker(id);
         seen.Append(id);
      } else if (kind == pdCovariateTrait) {
         text += "covariate-trait " + std::string(PD::traitNames[id / 32768]) + "/" +
                 std::string(PD::covariateNames[id % 32768]) + "\n";
      } else {
         const StringArray* items[] = {
             nullptr, nullptr, &PD::traitNames, &PD::affectionNames, &PD::covariateNames,
             nullptr, nullptr};
         text += names[kind];
         if (items[kind]) text += " " + std::string((*items[kind])[id]);
         text += "\n";
         if (!items[kind]) {
            EXPECT_EQ(id, 0) << text;
         }
      }
   }
   EXPECT_EQ(d.columns.Length(), d.columnCount + 1);
   for (int id = markersBefore; id < PD::markerCount; id++)
      if (seen.Find(id) == -1) text += "without column: " + DescribeMarker(id);
   return text;
}

// The first line of a case lists the steps: "xlinked" (X-linked data
// expected), then one loader, "load:", "load_quiet:" (no LINKAGE notice),
// "linkage:", "mendel:" or "map:", followed by a file relative to tests/data
// or "-" for the lines that follow. Then "%% described" with what loading
// prints and the description, or "%% fatal" with the fatal error.
void LoadCase(const std::string& steps, const std::string& inlineFile, PD& d) {
   size_t colon = steps.rfind(':'), start = steps.rfind(' ', colon) + 1;
   std::string kind = steps.substr(start, colon - start), file = steps.substr(colon + 1);
   const char* name = file == "-" ? inlineFile.c_str() : file.c_str();
   PD::chromosomeX = steps.find("xlinked") != std::string::npos;
   if (kind == "load" || kind == "load_quiet") d.Load(name, kind == "load");
   if (kind == "linkage") d.LoadLinkageDataFile(name);
   if (kind == "mendel") d.LoadMendelDataFile(name);
   if (kind == "map") d.LoadMap(name);
   PD::chromosomeX = false;
}

TEST(PedigreeDescription, DataFileCases) {
   testsupport::TempDir dir;
   std::filesystem::path start = std::filesystem::current_path();
   std::filesystem::current_path(kData);  // messages name files as the cases do
   int count = 0;
   for (const auto& entry : std::filesystem::directory_iterator("pedigree/descriptions")) {
      SCOPED_TRACE(entry.path().filename());
      std::string text = testsupport::ReadFile(entry.path());
      size_t stepsEnd = text.find('\n'), split = text.find("%% "), kindEnd = text.find('\n', split);
      std::string input = dir.Write("input", text.substr(stepsEnd + 1, split - stepsEnd - 1));
      std::string steps = text.substr(0, stepsEnd), expected = text.substr(kindEnd + 1);
      int markersBefore = PD::markerCount;
      PD d;
      if (text.compare(split, kindEnd - split, "%% fatal") == 0) {
         EXPECT_FATAL(LoadCase(steps, input, d), expected);
      } else {
         std::string printed = Captured([&] { LoadCase(steps, input, d); });
         EXPECT_EQ(printed + Describe(d, markersBefore), expected);
      }
      count++;
   }
   std::filesystem::current_path(start);
   EXPECT_EQ(count, 80);
}

TEST(PedigreeDescription, MeaningfulLinesLeaveCommentsOut) {
   // The buffer keeps the trimmed line, comment included.
   const struct {
      const char *lines, *tokens, *buffer;
   } cases[] = {
       {"  3 2 # D1S1  ", "3|2|#|D1S1|", "3 2 # D1S1"},
       {"1 2 << type >> 3", "1|2|<<|type|", "1 2 << type >> 3"},
       {"1 2 >> type << 3", "1|2|", "1 2 >> type << 3"},
       {"0.5\f0.5\t<<", "0.5|0.5|", "0.5\f0.5\t<<"},
       {"# 1 2 3\n\n<< all comment\n7\n", "7|", "7"},
       {"#\n\n", "", ""},
   };
   testsupport::TempDir dir;
   for (const auto& c : cases) {
      IFILE input = ifopen(dir.Write("lines", c.lines).c_str(), "rb");
      String buffer;
      StringArray tokens;
      int count = PD::ReadLineHelper(input, buffer, tokens);
      std::string joined;
      for (int i = 0; i < count; i++) joined += std::string(tokens[i]) + "|";
      EXPECT_EQ(joined, c.tokens) << c.lines;
      EXPECT_STREQ(buffer, c.buffer);
      ifclose(input);
   }
}

TEST(PedigreeDescription, AssignmentCopiesColumnsOnly) {
   testsupport::TempDir dir;
   PD source, copy;
   Captured(
       [&] { source.Load(dir.Write("copied.dat", "M copied_marker\nT copied_trait\n").c_str()); });
   copy.mendelFormat = 1;
   copy = source;
   EXPECT_EQ(copy.columnCount, 2);
   EXPECT_EQ(copy.columns, source.columns);
   EXPECT_EQ(copy.columnHash, source.columnHash);
   EXPECT_EQ(copy.mendelFormat, 1);
   EXPECT_TRUE(copy.filename.IsEmpty());
}

TEST(PedigreeDescription, TraitCovariateIDsMustFitTheirShareOfOneColumnID) {
   testsupport::TempDir dir;
   std::string file = dir.Write("utc.dat", "UTC utc_beyond_limit\n");
   EXPECT_FATAL(
       {
          while (PD::traitCount <= 32767)
             PD::GetTraitID(("utc_" + std::to_string(PD::traitCount)).c_str());
          PD d;
          d.Load(file.c_str());
       },
       "\nFATAL ERROR - \nInternal error processing data file\n\n\n");
}

}  // namespace
