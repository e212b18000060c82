// Runs a command several times and prints the median wall time and the median
// peak resident memory of its runs, for the benchmark script:
//
//   vortiq_measure RUNS COMMAND [ARGUMENT...]
//
// prints "SECONDS PEAK_KIB" (medians; one run first warms the caches and is not
// counted). The command's output is read and discarded. Exits 1 when a run fails.
//
//   vortiq_measure RUNS COMMAND [ARGUMENT...] --versus OTHER [ARGUMENT...]
//
// runs the two commands in turn, RUNS times each, and prints the median seconds
// of each and the median of the per-round ratios: "SECONDS OTHER_SECONDS RATIO".
// For runs of a few milliseconds, where the machine's speed drifts between
// rounds more than the commands differ.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Sample {
  double seconds;
  long peak_kib;
};

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// One run of argv[0] with its arguments; false when it could not run or failed.
// The output goes through a pipe that is read and thrown away: GNU grep stops at
// the first match when it sees that its output is /dev/null.
bool RunOnce(char** argv, Sample* sample) {
  int output[2];
  if (pipe(output) != 0) return false;
  const double start = Now();
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    dup2(output[1], STDOUT_FILENO);
    close(output[0]);
    close(output[1]);
    execvp(argv[0], argv);
    _exit(127);
  }
  close(output[1]);
  char discard[4096];
  while (read(output[0], discard, sizeof discard) > 0) {
  }
  close(output[0]);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) return false;
  sample->seconds = Now() - start;
  sample->peak_kib = usage.ru_maxrss;  // KiB on Linux
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

template <typename T>
T Median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Splits argv at "--versus" into two null-terminated commands; the second is
// empty without it.
void SplitAtVersus(char** argv, std::vector<char*>* first, std::vector<char*>* second) {
  std::vector<char*>* into = first;
  for (; *argv != nullptr; ++argv) {
    if (std::strcmp(*argv, "--versus") == 0 && into == first) {
      into = second;
    } else {
      into->push_back(*argv);
    }
  }
  first->push_back(nullptr);
  if (!second->empty()) second->push_back(nullptr);
}

int Alternate(int runs, char** command, char** other) {
  Sample sample{};
  std::vector<double> seconds, other_seconds, ratios;
  for (int i = 0; i <= runs; ++i) {  // round 0 warms the caches
    Sample first{};
    if (!RunOnce(command, &first) || !RunOnce(other, &sample)) {
      std::fprintf(stderr, "vortiq_measure: %s or %s failed\n", command[0], other[0]);
      return 1;
    }
    if (i == 0) continue;
    seconds.push_back(first.seconds);
    other_seconds.push_back(sample.seconds);
    ratios.push_back(first.seconds / sample.seconds);
  }
  std::printf("%.6f %.6f %.4f\n", Median(seconds), Median(other_seconds), Median(ratios));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 2 ? std::atoi(argv[1]) : 0;
  if (runs < 1) {
    std::fprintf(stderr, "usage: %s RUNS COMMAND [ARGUMENT...]\n", argv[0]);
    return 2;
  }
  std::vector<char*> command, other;
  SplitAtVersus(argv + 2, &command, &other);
  if (!other.empty()) return Alternate(runs, command.data(), other.data());
  Sample sample{};
  if (!RunOnce(argv + 2, &sample)) {
    std::fprintf(stderr, "%s: %s failed\n", argv[0], argv[2]);
    return 1;
  }
  std::vector<double> seconds;
  std::vector<long> peaks;
  for (int i = 0; i < runs; ++i) {
    if (!RunOnce(argv + 2, &sample)) {
      std::fprintf(stderr, "%s: %s failed\n", argv[0], argv[2]);
      return 1;
    }
    seconds.push_back(sample.seconds);
    peaks.push_back(sample.peak_kib);
  }
  std::printf("%.6f %ld\n", Median(seconds), Median(peaks));
  return 0;
}
