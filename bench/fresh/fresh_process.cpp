// kavrit-bench-fresh-process: how long a fresh process takes to run the AES-128 known-answer suite
// under GoogleTest, against the floor of the same work (process start, reading the vector files,
// the bare crypto on the same inputs), both measured in this run. Page faults count: each run is a
// new process, timed from spawn to exit.
//
//   kavrit-bench-fresh-process <path of kavrit-bench-fresh-aes128> [rounds]
//
// Rounds alternate the programs, so that a noisy neighbour slows them alike; medians are compared.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Sample {
  double milliseconds = 0;
  long minorFaults = 0;
};

double now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Runs the program with `args` (output to /dev/null); exits the benchmark when it fails.
Sample run(const std::string& program, std::vector<std::string> args) {
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const double start = now();
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", program.c_str());
    std::exit(2);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double elapsed = now() - start;
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s %s failed (status %d)\n", program.c_str(), args.at(1).c_str(), status);
    std::exit(1);
  }
  return {elapsed, usage.ru_minflt};
}

template <class T>
T median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <kavrit-bench-fresh-aes128> [rounds]\n", argv[0]);
    return 2;
  }
  const std::string program = argv[1];
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 21;
  std::vector<double> startMs, floorMs, suiteMs;
  std::vector<long> startFaults, floorFaults, suiteFaults;
  for (int round = 0; round < rounds; ++round) {
    const Sample start = run(program, {"start"});
    const Sample floor = run(program, {"floor"});
    const Sample suite = run(program, {"suite", "--gtest_brief=1"});
    startMs.push_back(start.milliseconds);
    floorMs.push_back(floor.milliseconds);
    suiteMs.push_back(suite.milliseconds);
    startFaults.push_back(start.minorFaults);
    floorFaults.push_back(floor.minorFaults);
    suiteFaults.push_back(suite.minorFaults);
  }
  std::printf("Fresh processes, median of %d rounds (milliseconds, minor page faults)\n", rounds);
  std::printf("  %-58s %8.1f ms %7ld faults\n", "process start", median(startMs),
              median(startFaults));
  std::printf("  %-58s %8.1f ms %7ld faults\n", "floor: start + read the AES files + bare crypto",
              median(floorMs), median(floorFaults));
  std::printf("  %-58s %8.1f ms %7ld faults\n", "AES-128 known-answer suite, --gtest_brief=1",
              median(suiteMs), median(suiteFaults));
  std::printf("Ratio against the floor of this run\n");
  std::printf("  %-70s %5.2f   (target <= 3)\n", "fresh AES-128 suite process / floor",
              median(suiteMs) / median(floorMs));
  return 0;
}
