#include "io/Error.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {
FatalHook fatalHook = nullptr;

[[noreturn]] void Terminate() {
   if (fatalHook != nullptr) {
      fflush(stdout);
      fatalHook();
   }
   exit(1);
}
}  // namespace

void SetFatalHook(FatalHook hook) {
   fatalHook = hook;
}

void error(const char* format, ...) {
   printf("\nFATAL ERROR - \n");
   va_list ap;
   va_start(ap, format);
   vprintf(format, ap);
   va_end(ap);
   printf("\n\n");
   Terminate();
}

void numerror(const char* format, ...) {
   printf("\nFATAL NUMERIC ERROR - ");
   va_list ap;
   va_start(ap, format);
   vprintf(format, ap);
   va_end(ap);
   printf("\n\n");
   Terminate();
}

void warning(const char* format, ...) {
   printf("\n\aWARNING - \n");
   va_list ap;
   va_start(ap, format);
   vprintf(format, ap);
   va_end(ap);
   printf("\n");
}
