#include "program/WorkerThreads.h"

#include <sched.h>

#include "io/Error.h"

int AvailableCores() {
   cpu_set_t set;
   if (sched_getaffinity(0, sizeof(set), &set) != 0) return 1;
   int cores = CPU_COUNT(&set);
   return cores < 1 ? 1 : cores;
}

int WorkerThreads(const char* text) {
   if (text[0] == '\0') return AvailableCores();
   int threads = 0;
   for (const char* c = text; *c != '\0'; c++) {
      // Past the cap the count stops growing, so no text can overflow it.
      if (*c < '0' || *c > '9' || threads > kMostThreads) {
         threads = 0;
         break;
      }
      threads = threads * 10 + (*c - '0');
   }
   if (threads < 1 || threads > kMostThreads)
      error("The number of threads [%s] is not a whole number from 1 to %d\n", text, kMostThreads);
   return threads;
}
