// Runs a program the way a user would, capturing its output and exit status. RunProcess works on
// every system (posix_run_process.cpp, win32_run_process.cpp); BackgroundProcess, which sends
// signals, on POSIX systems only.
#pragma once

#include <string>
#include <vector>

namespace vornalis::testing {

struct ProcessResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;
  std::string err;
};

// Runs program with args in folder cwd (the current one when empty), standard input empty. On
// Windows the output's line ends "\r\n" read as "\n", so that tests compare one text.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd = "");

// Starts program in the background; Wait collects it.
class BackgroundProcess {
 public:
  BackgroundProcess(const std::string& program, const std::vector<std::string>& args);
  ~BackgroundProcess();
  void Signal(int signal);
  ProcessResult Wait();

 private:
  int pid_ = -1;
  std::string out_path_, err_path_;
};

}  // namespace vornalis::testing
