// kavrit-bench-fresh-process: how long a fresh process takes to run a known-answer suite under
// GoogleTest (AES-128, and GCM for AES-128), whole and with a filter that selects one test,
// against the floor of the same work (process start, reading the vector files, the bare crypto on
// the same inputs), all measured in this run. Page faults count: each run is a new process, timed
// from spawn to exit.
//
//   kavrit-bench-fresh-process <path of kavrit-bench-fresh-aes128> [rounds]
//
// Each round runs every program once, starting at a different one each round, so that a noisy
// neighbour slows them alike; medians are compared.

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
    std::string command;
    for (std::size_t i = 1; i < args.size(); ++i) command += " " + args[i];
    std::fprintf(stderr, "%s%s failed (status %d)\n", program.c_str(), command.c_str(), status);
    std::exit(1);
  }
  return {elapsed, usage.ru_minflt};
}

template <class T>
T median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Program {
  const char* label;
  std::vector<std::string> args;
  std::vector<double> milliseconds;
  std::vector<long> faults;

  [[nodiscard]] double ms() const { return median(milliseconds); }
  [[nodiscard]] double minorFaults() const { return static_cast<double>(median(faults)); }
};

enum { kStart, kFloor, kSuite, kSuiteOne, kGcmFloor, kGcmSuite, kGcmSuiteOne };

void ratio(const char* what, double value, double target) {
  std::printf("  %-62s %5.2f   (target <= %.1f)%s\n", what, value, target,
              value <= target ? "" : "  MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <kavrit-bench-fresh-aes128> [rounds]\n", argv[0]);
    return 2;
  }
  const std::string program = argv[1];
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 21;
  std::vector<Program> programs = {
      {"process start", {"start"}, {}, {}},
      {"floor: start + read the AES files + bare crypto", {"floor"}, {}, {}},
      {"AES-128 known-answer suite", {"suite", "--gtest_brief=1"}, {}, {}},
      {"the same, one test selected",
       {"suite", "--gtest_brief=1", "--gtest_filter=AES128.CBCGFSbox128e.rsp?0"},
       {},
       {}},
      {"floor: start + read the GCM files + bare GCM", {"gcm-floor"}, {}, {}},
      {"GCM known-answer suite for AES-128", {"gcm-suite", "--gtest_brief=1"}, {}, {}},
      {"the same, one test selected",
       {"gcm-suite", "--gtest_brief=1",
        "--gtest_filter=GCM128.gcmEncryptExtIV128.rsp?96?0?0?128?0"},
       {},
       {}},
  };
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t k = 0; k < programs.size(); ++k) {
      Program& p = programs[(k + static_cast<std::size_t>(round)) % programs.size()];
      const Sample sample = run(program, p.args);
      p.milliseconds.push_back(sample.milliseconds);
      p.faults.push_back(sample.minorFaults);
    }
  }
  std::printf("Fresh processes, median of %d rounds (milliseconds, minor page faults)\n", rounds);
  for (const Program& p : programs) {
    std::printf("  %-58s %8.1f ms %7.0f faults\n", p.label, p.ms(), p.minorFaults());
  }
  std::printf("Ratios against the floor of this run\n");
  const Program& floor = programs[kFloor];
  const Program& gcmFloor = programs[kGcmFloor];
  ratio("AES-128 suite process / floor", programs[kSuite].ms() / floor.ms(), 2);
  ratio("AES-128 suite, one test selected / floor", programs[kSuiteOne].ms() / floor.ms(), 1.3);
  ratio("AES-128 suite minor page faults / floor's",
        programs[kSuite].minorFaults() / floor.minorFaults(), 3);
  ratio("GCM suite process / floor", programs[kGcmSuite].ms() / gcmFloor.ms(), 2);
  ratio("GCM suite, one test selected / floor", programs[kGcmSuiteOne].ms() / gcmFloor.ms(), 1.3);
  ratio("GCM suite minor page faults / floor's",
        programs[kGcmSuite].minorFaults() / gcmFloor.minorFaults(), 3);
  return 0;
}
