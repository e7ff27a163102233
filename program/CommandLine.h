// What the command lines of the programs on the library share: string options
// shown once in the settings summary, a parameter list whose problems end the
// run, and the answers to -h, --help and --version.
//
// Each program declares its own options with the parameter framework
// (params/Parameters.h); these only settle what every program does alike.
// The functions that end the run print on standard output and exit; nothing
// here returns to the caller after printing the usage or the version.
#ifndef LOCI_PROGRAM_COMMANDLINE_H
#define LOCI_PROGRAM_COMMANDLINE_H

#include <string>
#include <vector>

#include "params/Parameters.h"
#include "program/Version.h"

// A string option whose summary line is left to the long-option group, which
// already shows the value. A following argument that begins with "-" is never
// taken as its value.
class HiddenString : public StringParameter {
public:
   HiddenString(char ch, const char* description, String& value)
       : StringParameter(ch, description, value, true) {}

   void Status() override {}
};

// A parameter list whose problems are fatal once shown: a mistyped option
// would otherwise let a program run with settings nobody asked for.
class StrictParameterList : public ParameterList {
public:
   // `refusal` is the fatal message printed after the problems.
   explicit StrictParameterList(
       int size,
       const char* refusal = "The command line has problems (see above): nothing was read\n");

   bool HasProblems() const { return !problems.IsEmpty(); }
   // Prints the settings in effect and the problems; when there were any,
   // ends the run through `error` with the refusal.
   void Status() override;

private:
   const char* refusal;
};

// Answers the command line before anything else is printed: an argument -h or
// --help prints `usage` and exits 0, --version prints the version line and
// exits 0, whichever comes first; no arguments at all print `usage` and exit
// 1. Returns otherwise.
void ExitOnHelpOrVersion(int argc, char** argv, const char* program, const char* usage);

// After the options were read: --help (or a shortened form of it) prints
// `usage`, --version the version line, and either exits 0. Returns otherwise.
void AnswerHelpOrVersion(bool help, bool version, const char* program, const char* usage);

// The arguments after the last option (`last`, as ReadWithTrailer returns
// it): the files. One that looks like an option ends the run, as options
// come before the files.
std::vector<std::string> FileArguments(int argc, char** argv, int last);

// Prints the line of --version: "`program` (loci) VERSION", VERSION being
// LociVersion().
void PrintVersion(const char* program);

#endif
