// Message reporters shared by every part of the library and the tool.
//
// All three print to standard output. `error` and `numerror` end the process
// with exit status 1 and never return; `warning` prints and returns.
#ifndef LOCI_IO_ERROR_H
#define LOCI_IO_ERROR_H

#if defined(__GNUC__)
#define LOCI_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define LOCI_PRINTF(f, a)
#endif

// Prints "\nFATAL ERROR - \n", the message and two line feeds, then exits 1.
[[noreturn]] void error(const char* format, ...) LOCI_PRINTF(1, 2);

// Prints "\nFATAL NUMERIC ERROR - " with the message on the same line and two
// line feeds, then exits 1.
[[noreturn]] void numerror(const char* format, ...) LOCI_PRINTF(1, 2);

// Prints "\n\aWARNING - \n", the message and one line feed.
void warning(const char* format, ...) LOCI_PRINTF(1, 2);

// Fuzz builds replace process exit with a jump back into the fuzz driver, so
// one fatal input does not end the whole fuzzing run; a program may add to the
// message (which input was being read) and exit itself. The hook is called
// after the message is printed and must not return.
using FatalHook = void (*)();
void SetFatalHook(FatalHook hook);

#endif
