#pragma once
// Running a program as the benchmarks time it: started with posix_spawn,
// waited for, its CPU time (user + system) taken from wait4.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace sonavex::bench {

inline double CpuSeconds(const rusage& usage) {
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

inline double OwnCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return CpuSeconds(usage);
}

// Runs `args` (the program's path first) with its standard output going to
// `output`; returns its exit status (-1 when it did not start or did not
// exit) and adds the CPU time it took to `cpu`.
inline int RunProcess(std::vector<std::string> args, const char* output,
                      double* cpu = nullptr) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output,
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int status = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (cpu != nullptr) *cpu += CpuSeconds(usage);
  }
  posix_spawn_file_actions_destroy(&actions);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace sonavex::bench
