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
