#include "program/CommandLine.h"

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

struct Args {
   std::vector<std::string> words;
   std::vector<char*> argv;
   explicit Args(std::vector<std::string> list) : words(std::move(list)) {
      words.insert(words.begin(), "prog");
      for (std::string& word : words) argv.push_back(&word[0]);
   }
   int argc() const { return static_cast<int>(argv.size()); }
};

// Reads `args` into a strict list with one long and one hidden option, and
// shows the settings.
void ReadStrictly(std::vector<std::string> args) {
   String name;
   LongParameterList table[] = {{nullptr, nullptr, false, 0, false},
                                {"name[-n]", &name, false, 4, false},
                                {nullptr, nullptr, false, 0, false}};
   StrictParameterList list(4);
   list.Add(new LongParameters("Options", table));
   list.Add(new HiddenString('n', "Name", name));
   Args a(std::move(args));
   list.Read(a.argc(), a.argv.data(), 1);
   list.Status();
}

const char kSettings[] =
    "\nThe following parameters are in effect:\n\nOptions\n --name[-n] [x]\n\n";

TEST(StrictParameterListDeathTest, ProblemsEndTheRunOnceShown) {
   EXPECT_EXIT_PRINTING((ReadStrictly({"-nx"}), exit(0)), 0, kSettings);
   EXPECT_FATAL(ReadStrictly({"--nmae", "-nx"}),
                std::string(kSettings) +
                    "\n\aWARNING - \nProblems encountered parsing command line:\n\n"
                    "Command line parameter --nmae is undefined\n\n"
                    "\nFATAL ERROR - \n"
                    "The command line has problems (see above): nothing was read\n\n\n");
}

TEST(ExitOnHelpOrVersionDeathTest, AnswersBeforeAnythingElse) {
   auto run = [](std::vector<std::string> args) {
      Args a(std::move(args));
      ExitOnHelpOrVersion(a.argc(), a.argv.data(), "prog", "Usage: prog FILE\n");
      exit(3);
   };
   // The version is the one the build defines for the project.
   EXPECT_EXIT_PRINTING(run({"-o", "x", "--version", "-h"}), 0,
                        std::string("prog (loci) ") + LOCI_PROJECT_VERSION + "\n");
   EXPECT_EXIT_PRINTING(run({"--bad", "--help", "--version"}), 0, "Usage: prog FILE\n");
   EXPECT_EXIT_PRINTING(run({"-h"}), 0, "Usage: prog FILE\n");
   EXPECT_EXIT_PRINTING(run({}), 1, "Usage: prog FILE\n");
   EXPECT_EXIT_PRINTING(run({"--vers", "-help"}), 3, "");
}

}  // namespace
