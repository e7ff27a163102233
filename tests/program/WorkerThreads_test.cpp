#include "program/WorkerThreads.h"

#include <sched.h>

#include <cstdlib>

#include "tests/support/TestSupport.h"

namespace {

TEST(WorkerThreads, NamedNumberOrEveryCoreTheProcessMayUse) {
   EXPECT_EQ(WorkerThreads("1"), 1);
   EXPECT_EQ(WorkerThreads("0012"), 12);
   EXPECT_EQ(WorkerThreads("1024"), 1024);
   EXPECT_EQ(WorkerThreads(""), AvailableCores());
   // Pinned to one core (as taskset would), the default is one thread.
   EXPECT_EXIT(
       {
          cpu_set_t one;
          CPU_ZERO(&one);
          CPU_SET(sched_getcpu(), &one);
          sched_setaffinity(0, sizeof one, &one);
          exit(WorkerThreads(""));
       },
       ::testing::ExitedWithCode(1), "");
}

TEST(WorkerThreadsDeathTest, AnythingButAWholeNumberFromOneTo1024IsFatal) {
   for (const char* text :
        {"0", "1025", "99999999999999999999", "-2", "+2", "2.0", " 2", "2x", "x"})
      EXPECT_FATAL(WorkerThreads(text), std::string("\nFATAL ERROR - \nThe number of threads [") +
                                            text + "] is not a whole number from 1 to 1024\n\n\n");
}

}  // namespace
