#include "program/CommandLine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "io/Error.h"

StrictParameterList::StrictParameterList(int size, const char* refusal)
    : ParameterList(size), refusal(refusal) {}

void StrictParameterList::Status() {
   // The summary forgets the problems once it has shown them.
   bool refused = HasProblems();
   ParameterList::Status();
   if (refused) error("%s", refusal);
}

void PrintVersion(const char* program) {
   printf("%s (loci) %s\n", program, LociVersion());
}

void ExitOnHelpOrVersion(int argc, char** argv, const char* program, const char* usage) {
   for (int i = 1; i < argc; i++) {
      if (strcmp(argv[i], "-h") == 0 || strcmp(argv[i], "--help") == 0) {
         fputs(usage, stdout);
         exit(0);
      }
      if (strcmp(argv[i], "--version") == 0) {
         PrintVersion(program);
         exit(0);
      }
   }
   if (argc < 2) {
      fputs(usage, stdout);
      exit(1);
   }
}

std::vector<std::string> FileArguments(int argc, char** argv, int last) {
   std::vector<std::string> files(argv + last + 1, argv + argc);
   for (const std::string& file : files)
      if (file.size() > 1 && file[0] == '-')
         error("Unknown option [%s]: options come before the files\n", file.c_str());
   return files;
}

void AnswerHelpOrVersion(bool help, bool version, const char* program, const char* usage) {
   if (help) {
      fputs(usage, stdout);
      exit(0);
   }
   if (version) {
      PrintVersion(program);
      exit(0);
   }
}
