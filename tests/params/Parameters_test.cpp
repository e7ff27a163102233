#include "params/Parameters.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

// An argument vector from words separated by blanks, with a program name in
// position 0.
struct Args {
   std::vector<std::string> words{"prog"};
   std::vector<char*> argv;
   explicit Args(const std::string& line) {
      std::istringstream in(line);
      for (std::string word; in >> word;) words.push_back(word);
      for (std::string& word : words) argv.push_back(&word[0]);
   }
   int argc() const { return static_cast<int>(argv.size()); }
};

std::string Golden(const std::string& name) {
   return testsupport::ReadFile(std::string(LOCI_SOURCE_DIR) + "/tests/data/params/" + name);
}

OptionList rows[] = {{'a', "Alpha", 1}, {'b', "Beta", 2}, {'c', "Gamma", 4}, {0, "None", 0}};

// One option of every kind, single-letter and long; the summary shows every value.
struct Options {
   int n = 9, set = 0, choice = 9, medium = 1, count = 0, extent = 0;
   double d = 1.0, rate = MISSING_VALUE;
   bool on = false, fast = false, slow = true, verbose = false, preload = false, extra = false;
   String plain{"old"}, dashed, name;
   LongParameterList table[15] = {
       {nullptr, nullptr, false, 0, false},    {"Speed", nullptr, false, 0, false},
       {"fast", &fast, true, 1, false},        {"slow", &slow, true, 1, false},
       {"medium", &medium, true, 2, false},    {"General", nullptr, false, 0, false},
       {"verbose", &verbose, false, 1, false}, {"count", &count, false, 2, false},
       {"rate", &rate, false, 3, false},       {"prefix", &name, false, 4, false},
       {"preload", &preload, false, 1, false}, {"Additional", nullptr, false, 99, false},
       {"extra", &extra, false, 1, false},     {"extent", &extent, false, 2, false},
       {nullptr, nullptr, false, 0, false}};
   ParameterList list{36};
   Parameter* real = new DoubleParameter('d', "Rate", d);
   Options() {
      list.Add(new LongParameters("Long Options", table));
      list.Add(new IntParameter('n', "Count", n));
      list.Add(real);
      list.Add(new StringParameter('s', "Plain", plain, true));
      list.Add(new StringParameter('t', "Dashed", dashed, false));
      list.Add(new SwitchParameter('x', "Switch", on));
      list.Add(new SetParameter('e', "Set", set, rows));
      list.Add(new ListParameter('l', "List", choice, rows));
   }
   void Read(const std::string& line) {
      Args args(line);
      list.Read(args.argc(), args.argv.data(), 1);
      EXPECT_EQ(std::string(list.CommandLine()), line.empty() ? "" : line + " ");
   }
};

// Each command line read into fresh options, then the summary of what it set
// and the problems it met. Long-option lines may reach column 78.
TEST(Parameters, CommandLinesAndTheirSummaries) {
   // clang-format off
   const char* const lines[] = {"", "-n5 -d .5 -s -t -neg", "-N -7 -D -2e3 -Sname -s two",
       "-n12abc -t x -d", "-n", "-d -1e5x", "-x+ -eAc -lB", "-x -ezb -lq", "-x+ -xq -x- -l",
       "-lc -x -x -x", "stray - -z3 -n 4", "--fast", "--fast --slow:on", "--medium:5 --slow",
       "--slow:yes --verbose:ON --count:on --medium:17",
       "--verbose --verbose --preload:off --count --medium",
       "--count -12 --rate -1e-3 --rate:2.5x --r abc", "--count 7 --count:0 --r:-1 --rate",
       "--rate:0 --ext --prefix:a:b x --prefix", "--PREF -out --extr:on",
       "--pre:5 --unknown:1 --verbose:On", "--prefix:123456789012345", "--prefix:1234567890123456",
       "--fast --verbose --count:3 --rate:0.005 --prefix:out --ext"};
   // clang-format on
   testsupport::StdoutCapture capture;
   for (const char* line : lines) {
      Options o;
      printf("\n$ %s\n", line);
      o.Read(line);
      o.list.Status();
   }

   // Trailing arguments left to the caller; formats of a real value; problems
   // shown once, notes every time.
   Options o;
   Args trailer("early -n 5 -q -x+ file1 file2"), none("a b");
   EXPECT_EQ(o.list.ReadWithTrailer(trailer.argc(), trailer.argv.data(), 1), 5);
   EXPECT_EQ(o.list.ReadWithTrailer(none.argc(), none.argv.data(), 1), 0);
   o.list.Status();
   o.choice = 2;
   for (double d : {MISSING_VALUE, 1.5, -0.00095, 0.0005, double(NAN), 1e-16}) {
      o.d = d;
      o.real->Status();
   }
   o.Read("junk");
   o.list.Enforce(o.plain, "OLD", "never %d\n", 1);
   o.list.Enforce(o.plain, "xyz", "text set to %s\n", "xyz");
   o.list.Enforce(o.d, 1e-16, "never\n");
   o.list.Enforce(o.d, NAN, "real set\n");
   o.list.Enforce(o.n, 3, "count set to %d\n", 3);
   o.list.Enforce(o.n, 3, "never\n");
   o.list.Enforce(o.on, true, "never\n");
   o.list.Enforce(o.on, false, "switch off\n");
   o.list.Status();
   o.list.Status();

   // Without group titles there is no indent; after a wrap a line may again reach column 78.
   bool on = true;
   String value;
   LongParameterList untitled[] = {
       {nullptr, nullptr, false, 0, false},
       {"an-option-with-a-name-long-enough-to-wrap", &on, false, 1, false},
       {"another-option-with-a-long-name", &on, false, 1, false},
       {"value", &value, false, 4, false},
       {nullptr, nullptr, false, 0, false}};
   LongParameters bare("", untitled);
   for (const char* text : {"123456789012345678901234567", "1234567890123456789012345678"}) {
      value = text;
      bare.Status();
   }
   EXPECT_EQ(capture.Finish(), Golden("command_lines.txt"));
}

TEST(Parameters, SingleArgumentReaderAndValueChecks) {
   int n = 0;
   IntParameter count('n', "Count", n);
   Args single("-N5 /n6 n7 -x8 x9 -");
   const int after[] = {5, 6, 7, 7, 7, 7};
   for (int i = 1; i < single.argc(); i++) {
      EXPECT_EQ(count.Read(single.argc(), single.argv.data(), i), i <= 3) << single.words[i];
      EXPECT_EQ(n, after[i - 1]) << single.words[i];
   }
   char empty[] = "";
   char* emptyArgv[] = {empty, nullptr};
   EXPECT_FALSE(count.Read(1, emptyArgv, 0));

   EXPECT_TRUE(Parameter::CheckDouble("1e5") && Parameter::CheckDouble(".5"));
   EXPECT_TRUE(Parameter::CheckDouble("1x") && Parameter::CheckDouble("-"));
   EXPECT_FALSE(Parameter::CheckDouble("e5") || Parameter::CheckDouble("x1"));
   EXPECT_FALSE(Parameter::CheckDouble("1e5x") || Parameter::CheckDouble(""));
   EXPECT_TRUE(Parameter::CheckInteger("+") && Parameter::CheckInteger("-12"));
   EXPECT_FALSE(Parameter::CheckInteger("1.5") || Parameter::CheckInteger(""));
   // The unset real value, by its bit pattern.
   uint64_t bits;
   memcpy(&bits, &MISSING_VALUE, sizeof(bits));
   EXPECT_EQ(bits, 0x3266777314E45B16ull);
}

TEST(ParametersDeathTest, ListHoldsOneLessThanItsSize) {
   int n = 0;
   EXPECT_FATAL(
       {
          ParameterList list(3);
          for (char letter : {'a', 'b'}) list.Add(new IntParameter(letter, "Slot", n));
          printf("two fit\n");
          list.Add(new IntParameter('c', "One too many", n));
       },
       "two fit\n\nFATAL ERROR - \nParameter list size should be increased\n\n");
}

}  // namespace
