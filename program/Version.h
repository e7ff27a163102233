// The version of the loci library and of every program built on it, set once
// in the build (the project's version in the top-level CMakeLists.txt). A
// program built against an installed package prints the version of the
// library it was linked with, which is that of the package.
#ifndef LOCI_PROGRAM_VERSION_H
#define LOCI_PROGRAM_VERSION_H

// "MAJOR.MINOR.PATCH"; a static string.
const char* LociVersion();

#endif
