// The parameter framework on arbitrary command lines: a list holding every
// parameter kind and a long-option table with titles, an exclusive group and
// additional options, fed the arguments the input splits into at NUL bytes,
// then the settings summary.
//
// Properties: reading and the summary never fail or read out of bounds;
// ReadWithTrailer returns an index inside the arguments it was given; bound
// variables keep their kinds' invariants.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/MissingValue.h"
#include "base/StringBasics.h"
#include "params/Parameters.h"
#include "tests/support/Support.h"

namespace {

// Arguments beyond this are dropped: the work per input stays small.
const size_t kMaxArguments = 256;

struct Values {
   int number = 7, set = 0, choice = 1, longNumber = 0, exclusiveC = 0, extraNumber = 3;
   double real = 0.5, longReal = MISSING_VALUE, exclusiveD = 1.0;
   String text{"start"}, dashText{"dash"}, longText{"long"}, extraText;
   bool flag = false, longFlag = true, exclusiveA = false, exclusiveB = true, extraFlag = false;
};

OptionList kSetRows[] = {
    {'a', "alpha", 1}, {'b', "beta", 2}, {'C', "gamma", 4}, {'d', "both", 3}, {0, "none", 0}};
OptionList kListRows[] = {{'x', "ex", 1}, {'Y', "why", 2}, {'z', "zed", 3}, {0, "fallback", 9}};

void Run(const uint8_t* data, size_t size) {
   // Arguments: the input split at NUL bytes; the program name first.
   std::vector<std::string> arguments{"fuzz", ""};
   for (size_t i = 0; i < size; i++) {
      if (data[i] == 0)
         arguments.emplace_back();
      else
         arguments.back() += static_cast<char>(data[i]);
   }
   arguments.resize(std::min(arguments.size(), kMaxArguments));
   std::vector<char*> argv;
   for (auto& argument : arguments) argv.push_back(&argument[0]);
   argv.push_back(nullptr);
   int argc = static_cast<int>(arguments.size());

   Values v;
   LongParameterList table[] = {
       {nullptr, nullptr, false, 0, false},
       {"Group One", nullptr, false, 0, false},
       {"flag", &v.longFlag, false, 1, false},
       {"number", &v.longNumber, false, 2, false},
       {"real", &v.longReal, false, 3, false},
       {"text[-t]", &v.longText, false, 4, false},
       {"A much longer group title", nullptr, false, 0, false},
       {"exA", &v.exclusiveA, true, 1, false},
       {"exB", &v.exclusiveB, true, 1, false},
       {"exC", &v.exclusiveC, true, 2, false},
       {"exD", &v.exclusiveD, true, 3, false},
       {"number2", &v.longNumber, false, 2, false},
       {"marker", nullptr, false, 99, false},
       {"extraFlag", &v.extraFlag, false, 1, false},
       {"extraText", &v.extraText, false, 4, false},
       {"extra9", &v.extraNumber, false, 2, false},
       {nullptr, nullptr, false, 0, false},
   };
   ParameterList list(12);
   list.Add(new LongParameters("Long Options", table));
   list.Add(new IntParameter('n', "Number", v.number));
   list.Add(new DoubleParameter('R', "Real", v.real));
   list.Add(new StringParameter('s', "Text", v.text, true));
   list.Add(new StringParameter('d', "Dash text", v.dashText, false));
   list.Add(new SwitchParameter('f', "Flag", v.flag));
   list.Add(new SetParameter('e', "Set", v.set, kSetRows));
   list.Add(new ListParameter('l', "Choice", v.choice, kListRows));

   int start = 1 + (size > 0 ? data[0] % 2 : 0);
   if (start > argc) start = argc;
   if (size > 1 && (data[1] & 1) != 0) {
      int last = list.ReadWithTrailer(argc, argv.data(), start);
      LOCI_FUZZ_CHECK(last >= start - 1 && last < argc);
   } else {
      list.Read(argc, argv.data(), start);
   }
   LOCI_FUZZ_CHECK(v.set >= 0 && v.set <= 7);
   LOCI_FUZZ_CHECK(v.choice >= 1 && v.choice <= 9);

   if (size > 2 && (data[2] & 1) != 0) {
      list.Enforce(v.text, "enforced", "text set to %s\n", "enforced");
      list.Enforce(v.real, 2.5, "real set to %g\n", 2.5);
      list.Enforce(v.number, 3, "number set to %d\n", 3);
      list.Enforce(v.flag, true, "flag set\n");
   }
   list.Status();
   // A second summary: the problems were reported and forgotten by the first.
   list.Status();
   LOCI_FUZZ_CHECK(list.CommandLine().Length() >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   return testsupport::RunWithoutFatal(Run, data, size);
}
