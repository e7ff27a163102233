// How many threads a program's work runs on. By default every core the
// process may run on: its CPU affinity, so that taskset, cgroup cpusets and
// batch schedulers that pin a job to some cores are obeyed. The user may name
// another number with the option every program shares, --threads N (a text
// option whose empty value means the default).
//
// A named number must be a whole number from 1 to kMostThreads: beyond that
// the threads' buffers would outgrow any machine before they could help.
// Anything else ends the run through `error`.
#ifndef LOCI_PROGRAM_WORKERTHREADS_H
#define LOCI_PROGRAM_WORKERTHREADS_H

constexpr int kMostThreads = 1024;

// The cores this process may run on, at least 1.
int AvailableCores();

// The number of threads `text` names, or AvailableCores() when it is empty.
// A text that is not a whole number from 1 to kMostThreads (signs, blanks and
// decimal points included) is fatal: "The number of threads [TEXT] is not a
// whole number from 1 to 1024".
int WorkerThreads(const char* text);

#endif
