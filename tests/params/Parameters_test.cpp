#include "params/Parameters.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

// Exposes the collected problem text.
class ProbeList : public ParameterList {
public:
   ProbeList() : ParameterList(36) {}
   std::string Problems() const { return static_cast<const char*>(problems); }
};

// A string option kept out of the summary, as the r2_hat tool declares its
// single-letter options.
class SilentString : public StringParameter {
public:
   SilentString(char ch, const char* description, String& value)
       : StringParameter(ch, description, value, true) {}
   void Status() override {}
};

// Argument vectors with the program name in position 0.
class Args {
public:
   Args(std::initializer_list<const char*> list) : texts(list.begin(), list.end()) {
      texts.insert(texts.begin(), "prog");
      for (std::string& text : texts) pointers.push_back(&text[0]);
   }
   int argc() const { return static_cast<int>(pointers.size()); }
   char** argv() { return pointers.data(); }

private:
   std::vector<std::string> texts;
   std::vector<char*> pointers;
};

void Read(ParameterList& list, Args args) {
   list.Read(args.argc(), args.argv(), 1);
}

// What a list or a single parameter prints as its summary.
template <class Printer>
std::string StatusOf(Printer& printer) {
   testsupport::StdoutCapture capture;
   printer.Status();
   return capture.Finish();
}

TEST(Parameters, MissingValueBitPattern) {
   uint64_t bits;
   memcpy(&bits, &MISSING_VALUE, sizeof(bits));
   EXPECT_EQ(bits, 0x3266777314E45B16ull);
}

TEST(Parameters, ValuesAttachedSeparateDashedAndLast) {
   int n = 9;
   double d = 1.0;
   String plain("old"), dashed, other;
   ProbeList list;
   list.Add(new IntParameter('n', "Count", n));
   list.Add(new DoubleParameter('D', "Rate", d));
   list.Add(new StringParameter('s', "Plain", plain, true));
   list.Add(new StringParameter('t', "Dashed", dashed, false));
   list.Add(new StringParameter('x', "Other", other, true));
   Read(list, {"-n5", "-d", ".5", "-s", "-xfile", "-t", "-neg"});
   EXPECT_EQ(n, 5);
   EXPECT_EQ(d, 0.5);
   EXPECT_STREQ(plain, "");
   EXPECT_STREQ(other, "file");
   EXPECT_STREQ(dashed, "-neg");
   Read(list, {"-N", "-7", "-d", "-2e3", "-Sname", "-x", "two"});
   EXPECT_EQ(n, -7);
   EXPECT_EQ(d, -2000.0);
   EXPECT_STREQ(plain, "name");
   EXPECT_STREQ(other, "two");
   Read(list, {"-n12abc", "-s", "-d"});
   EXPECT_EQ(n, 12);
   EXPECT_STREQ(plain, "");
   EXPECT_EQ(d, MISSING_VALUE);
   Read(list, {"-n"});
   EXPECT_EQ(n, 0);
   EXPECT_EQ(list.Problems(), "");

   EXPECT_TRUE(Parameter::CheckDouble("1e5") && Parameter::CheckDouble(".5"));
   EXPECT_TRUE(Parameter::CheckDouble("1x") && Parameter::CheckDouble("-"));
   EXPECT_FALSE(Parameter::CheckDouble("e5") || Parameter::CheckDouble("x1"));
   EXPECT_FALSE(Parameter::CheckDouble("1e5x") || Parameter::CheckDouble(""));
   EXPECT_TRUE(Parameter::CheckInteger("+") && Parameter::CheckInteger("-12"));
   EXPECT_FALSE(Parameter::CheckInteger("1.5") || Parameter::CheckInteger(""));
}

TEST(Parameters, SwitchesSetsAndLists) {
   OptionList rows[] = {{'a', "Alpha", 1}, {'b', "Beta", 2}, {'c', "Gamma", 4}, {0, "None", 0}};
   bool on = false;
   int set = 0, choice = 4;
   ProbeList list;
   list.Add(new SwitchParameter('x', "Switch", on));
   list.Add(new SetParameter('t', "Set", set, rows));
   list.Add(new ListParameter('l', "List", choice, rows));
   Read(list, {"-x+", "-tAc", "-lB"});
   EXPECT_TRUE(on);
   EXPECT_EQ(set, 5);
   EXPECT_EQ(choice, 2);
   Read(list, {"-x", "-tzb", "-lq"});
   EXPECT_FALSE(on);
   EXPECT_EQ(set, 2);
   EXPECT_EQ(choice, 0);
   Read(list, {"-xq", "-x-", "-l"});
   EXPECT_FALSE(on);
   Read(list, {"-lc", "-x"});
   EXPECT_EQ(choice, 4);
   EXPECT_TRUE(on);
   EXPECT_EQ(list.Problems(),
             "Command line parameter -tzb: the option 'z' has no meaning\n"
             "Command line parameter -lq: the option 'q' has no meaning\n"
             "Command line parameter -xq: the option 'q' has no meaning\n");
}

TEST(Parameters, UnknownArgumentsAreIgnoredWithTheirPosition) {
   int n = 0;
   ProbeList list;
   list.Add(new IntParameter('n', "Count", n));
   Read(list, {"stray", "-", "-z3", "-n", "4"});
   EXPECT_EQ(n, 4);
   EXPECT_EQ(list.Problems(),
             "Command line parameter stray (#1) ignored\n"
             "Command line parameter - (#2) ignored\n"
             "Command line parameter -z3 (#3) ignored\n");
   EXPECT_STREQ(list.CommandLine(), "stray - -z3 -n 4 ");
}

TEST(Parameters, SingleArgumentReader) {
   int n = 0;
   IntParameter count('n', "Count", n);
   Args args{"-N5", "/n6", "n7", "-x8", "-"};
   EXPECT_TRUE(count.Read(args.argc(), args.argv(), 1) && n == 5);
   EXPECT_TRUE(count.Read(args.argc(), args.argv(), 2) && n == 6);
   EXPECT_TRUE(count.Read(args.argc(), args.argv(), 3) && n == 7);
   EXPECT_FALSE(count.Read(args.argc(), args.argv(), 4) || count.Read(args.argc(), args.argv(), 5));
   EXPECT_EQ(n, 7);
}

TEST(Parameters, ReadWithTrailerLeavesTrailingArguments) {
   int n = 0;
   bool on = false;
   ProbeList list;
   list.Add(new IntParameter('n', "Count", n));
   list.Add(new SwitchParameter('x', "Switch", on));
   Args args{"early", "-n", "5", "-q", "-x+", "file1", "file2"};
   EXPECT_EQ(list.ReadWithTrailer(args.argc(), args.argv(), 1), 5);
   EXPECT_EQ(n, 5);
   EXPECT_TRUE(on);
   Args none{"a", "b"};
   EXPECT_EQ(list.ReadWithTrailer(none.argc(), none.argv(), 1), 0);
   EXPECT_EQ(list.Problems(),
             "Command line parameter early (#1) ignored\n"
             "Command line parameter -q (#4) ignored\n");
}

TEST(Parameters, SummaryLinesOfEachKind) {
   int n = 42, set = 5, choice = 9;
   double d = MISSING_VALUE;
   bool on = true;
   String text("in.txt");
   OptionList rows[] = {{'a', "Alpha", 1}, {'b', "Beta", 2}, {'c', "Gamma", 4}, {0, "None", 0}};
   IntParameter count('n', "Count", n);
   DoubleParameter rate('r', "Rate", d);
   StringParameter file('f', "File", text, true);
   SwitchParameter flag('x', "Switch", on);
   SetParameter kinds('t', "Set", set, rows);
   ListParameter pick('l', "List", choice, rows);

   EXPECT_EQ(StatusOf(count), "                         Count :              42 (-n9999)\n");
   EXPECT_EQ(StatusOf(file), "                          File :          in.txt (-fname)\n");

   int savedName = Parameter::nameCol, savedStatus = Parameter::statusCol;
   Parameter::nameCol = 8;
   Parameter::statusCol = 8;
   EXPECT_EQ(StatusOf(rate), "    Rate :      NAN (-r99.999)\n");
   d = 1.5;
   EXPECT_EQ(StatusOf(rate), "    Rate :    1.500 (-r99.999)\n");
   d = -0.00095;
   EXPECT_EQ(StatusOf(rate), "    Rate :   -0.001 (-r99.999)\n");
   d = 0.0005;
   EXPECT_EQ(StatusOf(rate), "    Rate :    5e-04 (-r99.999)\n");
   d = NAN;
   EXPECT_EQ(StatusOf(rate), "    Rate :      nan (-r99.999)\n");
   d = 1e-16;
   EXPECT_EQ(StatusOf(rate), "    Rate :        0 (-r99.999)\n");
   EXPECT_EQ(StatusOf(flag), "  Switch :       ON (-x[+|-])\n");
   on = false;
   EXPECT_EQ(StatusOf(flag), "  Switch :      OFF (-x[+|-])\n");
   EXPECT_EQ(StatusOf(kinds),
             "     Set :    Alpha (-t{a|b|c})\n"
             "         &    Gamma\n");
   set = 0;
   EXPECT_EQ(StatusOf(kinds), "");
   EXPECT_EQ(StatusOf(pick), "    List :     None (-l[a|b|c])\n");
   choice = 2;
   EXPECT_EQ(StatusOf(pick), "    List :     Beta (-l[a|b|c])\n");
   Parameter::nameCol = savedName;
   Parameter::statusCol = savedStatus;
}

TEST(Parameters, SummaryReportsProblemsOnceAndNotesEveryTime) {
   int n = 1;
   double d = 0.5;
   bool on = true;
   String text("Abc");
   ParameterList list(36);
   list.Add(new IntParameter('n', "Count", n));
   Read(list, {"-n"});
   EXPECT_EQ(StatusOf(list),
             "\nThe following parameters are in effect:\n"
             "                         Count :               0 (-n9999)\n\n");

   Read(list, {"junk"});
   list.Enforce(text, "aBC", "never %d\n", 1);
   list.Enforce(text, "xyz", "text set to %s\n", "xyz");
   list.Enforce(d, 0.5, "never\n");
   list.Enforce(d, NAN, "real set\n");
   list.Enforce(n, 3, "count set to %d\n", 3);
   list.Enforce(on, true, "never\n");
   list.Enforce(on, false, "switch off\n");
   EXPECT_STREQ(text, "xyz");
   EXPECT_TRUE(std::isnan(d));
   EXPECT_EQ(n, 3);
   EXPECT_FALSE(on);
   const std::string notes = "NOTES:\ntext set to xyz\nreal set\ncount set to 3\nswitch off\n\n";
   const std::string summary =
       "\nThe following parameters are in effect:\n"
       "                         Count :               3 (-n9999)\n\n";
   EXPECT_EQ(StatusOf(list), summary +
                                 "\n\aWARNING - \nProblems encountered parsing command line:\n\n"
                                 "Command line parameter junk (#1) ignored\n\n" +
                                 notes);
   EXPECT_EQ(StatusOf(list), summary + notes);
}

TEST(ParametersDeathTest, ListHoldsOneLessThanItsSize) {
   int n = 0;
   EXPECT_FATAL(
       {
          ParameterList list(36);
          for (int i = 0; i < 35; i++) list.Add(new IntParameter('a', "Slot", n));
          list.Add(new IntParameter('b', "One too many", n));
       },
       "\nFATAL ERROR - \nParameter list size should be increased\n\n");
}

// ---------------------------------------------------------------- long options

struct ToolOptions {
   String snps, dosage, info, prefix{"r2_hat.out"};
   LongParameterList table[8] = {
       {nullptr, nullptr, false, 0, false},      {"Input Files", nullptr, false, 0, false},
       {"snps[-s]", &snps, false, 4, false},     {"dosagefile[-g]", &dosage, false, 4, false},
       {"infofile[-i]", &info, false, 4, false}, {"Output", nullptr, false, 0, false},
       {"prefix[-o]", &prefix, false, 4, false}, {nullptr, nullptr, false, 0, false},
   };
   ParameterList list{36};

   ToolOptions() {
      list.Add(new LongParameters("Available Options", table));
      list.Add(new SilentString('s', "SNP File", snps));
      list.Add(new SilentString('g', "Dosage File", dosage));
      list.Add(new SilentString('i', "Info File", info));
      list.Add(new SilentString('o', "Output prefix", prefix));
   }
};

// The tool's summary around the lines of its input group.
std::string ToolSummary(const std::string& inputLines) {
   return "\nThe following parameters are in effect:\n\nAvailable Options\n" + inputLines +
          "        Output : --prefix[-o] [r2_hat.out]\n\n";
}

TEST(LongParameters, ToolSummaryWithDefaultsAndWrappedValues) {
   ToolOptions tool;
   Read(tool.list, {});
   EXPECT_EQ(
       StatusOf(tool.list),
       ToolSummary("   Input Files : --snps[-s] [], --dosagefile[-g] [], --infofile[-i] []\n"));

   // A line may reach column 78; one more character moves the option down.
   Read(tool.list, {"-s", "12345678"});
   EXPECT_EQ(StatusOf(tool.list),
             ToolSummary("   Input Files : --snps[-s] [12345678], --dosagefile[-g] [], "
                         "--infofile[-i] []\n"));
   Read(tool.list, {"--snps", "123456789"});
   EXPECT_EQ(StatusOf(tool.list),
             ToolSummary("   Input Files : --snps[-s] [123456789], --dosagefile[-g] [],\n"
                         "                 --infofile[-i] []\n"));
   Read(tool.list, {"-g/data/imputation/chr22.dose.gz"});
   EXPECT_EQ(StatusOf(tool.list),
             ToolSummary("   Input Files : --snps[-s] [123456789],\n"
                         "                 --dosagefile[-g] [/data/imputation/chr22.dose.gz],\n"
                         "                 --infofile[-i] []\n"));
}

TEST(LongParameters, ToolNamesByStemAndValues) {
   ToolOptions tool;
   Read(tool.list, {"--SNPS", "a", "--dos:b:c", "--prefix[-o]", "-out"});
   EXPECT_STREQ(tool.snps, "a");
   EXPECT_STREQ(tool.dosage, "b:c");
   EXPECT_STREQ(tool.prefix, "-out");
   Read(tool.list, {"--sn", "x", "--s:y", "-iname", "-i"});
   EXPECT_STREQ(tool.snps, "y");
   EXPECT_STREQ(tool.info, "");
   Read(tool.list, {"-s", "-g", "d", "--snps[-s]", "-g"});
   EXPECT_STREQ(tool.snps, "-g");
   EXPECT_STREQ(tool.dosage, "d");
   Read(tool.list, {"stray.txt", "--snsp:z", "--infofile"});
   tool.prefix = "r2_hat.out";
   EXPECT_EQ(
       StatusOf(tool.list),
       ToolSummary("   Input Files : --snps[-s] [-g], --dosagefile[-g] [d], --infofile[-i] []\n") +
           "\n\aWARNING - \nProblems encountered parsing command line:\n\n"
           "Command line parameter stray.txt (#1) ignored\n"
           "Command line parameter --snsp:z is undefined\n\n");
}

struct GeneralOptions {
   bool fast = false, slow = true, verbose = false, preload = false, extra = false;
   int medium = 1, count = 0, extent = 0;
   double rate = MISSING_VALUE;
   String name;
   LongParameterList table[15] = {
       {nullptr, nullptr, false, 0, false},    {"Speed", nullptr, false, 0, false},
       {"fast", &fast, true, 1, false},        {"slow", &slow, true, 1, false},
       {"medium", &medium, true, 2, false},    {"General", nullptr, false, 0, false},
       {"verbose", &verbose, false, 1, false}, {"count", &count, false, 2, false},
       {"rate", &rate, false, 3, false},       {"prefix", &name, false, 4, false},
       {"preload", &preload, false, 1, false}, {"Additional", nullptr, false, 99, false},
       {"extra", &extra, false, 1, false},     {"extent", &extent, false, 2, false},
       {nullptr, nullptr, false, 0, false}};
   ProbeList list;
   LongParameters* options = new LongParameters("Long Options", table);
   GeneralOptions() { list.Add(options); }
};

TEST(LongParameters, SwitchesIntegersAndExclusiveGroups) {
   GeneralOptions g;
   Read(g.list, {"--fast"});
   EXPECT_TRUE(g.fast);
   EXPECT_FALSE(g.slow);
   EXPECT_EQ(g.medium, 0);
   Read(g.list, {"--slow:On", "--verbose", "--count", "--medium"});
   EXPECT_TRUE(g.slow && g.verbose);
   EXPECT_FALSE(g.fast);
   EXPECT_EQ(g.count, 1);
   EXPECT_EQ(g.medium, 1);
   Read(g.list, {"--slow:yes", "--verbose", "--count", "--count:on", "--medium:17"});
   EXPECT_FALSE(g.slow || g.verbose);
   EXPECT_EQ(g.medium, 17);
   EXPECT_EQ(g.count, 1);
   Read(g.list, {"--count", "-12", "--rate", "-1e-3", "--rate:2.5x", "--r", "abc"});
   EXPECT_EQ(g.count, -12);
   EXPECT_EQ(g.rate, 2.5);
   EXPECT_EQ(g.list.Problems(), "Command line parameter abc (#7) ignored\n");
}

TEST(LongParameters, AmbiguousAndUndefinedNamesChangeNothing) {
   GeneralOptions g;
   Read(g.list, {"--pre:5", "--unknown:1", "--verbose:on"});
   EXPECT_STREQ(g.name, "");
   EXPECT_TRUE(g.verbose);
   EXPECT_EQ(g.list.Problems(),
             "Ambiguous --pre:5 matches --prefix --preload\n"
             "Command line parameter --unknown:1 is undefined\n");

   // Without group titles there is no indent; candidates stop at 50 characters.
   bool f[5] = {};
   LongParameterList many[] = {
       {nullptr, nullptr, false, 0, false},
       {"option-number-one-is-long", &f[0], false, 1, false},
       {"option-number-two-is-long", &f[1], false, 1, false},
       {"option-number-three", &f[2], false, 1, false},
       {"option-four", &f[3], false, 1, false},
       {"option-five", &f[4], false, 1, false},
       {nullptr, nullptr, false, 0, false},
   };
   ProbeList list;
   LongParameters* options = new LongParameters("", many);
   list.Add(options);
   Read(list, {"--o"});
   EXPECT_EQ(list.Problems(), "Ambiguous --o matches --option-five --option-four ...\n");
   EXPECT_EQ(StatusOf(*options),
             " --option-number-one-is-long, --option-number-two-is-long,\n"
             " --option-number-three, --option-four, --option-five\n");
}

TEST(LongParameters, GroupSummaryWithAdditionalOptions) {
   GeneralOptions g;
   EXPECT_EQ(StatusOf(*g.options),
             "\nLong Options\n"
             "     Speed : --fast, --slow [ON], --medium [ON]\n"
             "   General : --verbose, --count, --rate, --prefix [], --preload\n");
   Read(g.list, {"--fast", "--verbose", "--count:3", "--rate:0.005", "--prefix:out", "--ext"});
   EXPECT_EQ(g.extent, 1);
   EXPECT_EQ(StatusOf(*g.options),
             "\nLong Options\n"
             "     Speed : --fast [ON], --slow, --medium\n"
             "   General : --verbose [ON], --count [3], --rate [5.0e-03], --prefix [out],\n"
             "             --preload\n"
             "\nAdditional Options:\n"
             "             --extent [1]\n");
   Read(g.list, {"--rate:-1", "--count:0", "--pre:x"});
   EXPECT_NE(StatusOf(*g.options).find("--count, --rate [-1.0e+00],"), std::string::npos);
   Read(g.list, {"--rate:0"});
   EXPECT_NE(StatusOf(*g.options).find("--rate [0.00],"), std::string::npos);
}

}  // namespace
