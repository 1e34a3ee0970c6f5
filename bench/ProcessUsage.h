#pragma once

// What the benchmark process has used so far, for the benchmarks' reports.

#include <sys/resource.h>

namespace lomandra::bench {

/// The peak resident size so far, in megabytes.
inline double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

/// Processor time used so far, all threads (seconds): wall time says little on a busy machine.
inline double cpuSeconds(int who = RUSAGE_SELF) {
  rusage usage{};
  getrusage(who, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

/// Processor time the calling thread has used so far (seconds).
inline double threadCpuSeconds() { return cpuSeconds(RUSAGE_THREAD); }

}  // namespace lomandra::bench
