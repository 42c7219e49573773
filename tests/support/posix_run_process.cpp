#include "tests/support/run_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/test_files.h"

namespace vornalis::testing {
namespace {

int Spawn(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
          const std::string& out_path, const std::string& err_path) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int in = open("/dev/null", O_RDONLY);
  const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

std::string TempPath(const char* what) {
  std::string pattern = std::string("/tmp/vornalis-run-") + what + "-XXXXXX";
  const int fd = mkstemp(pattern.data());
  close(fd);
  return pattern;
}

ProcessResult Collect(int pid, const std::string& out_path, const std::string& err_path) {
  ProcessResult result;
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadFile(out_path);
  result.err = ReadFile(err_path);
  unlink(out_path.c_str());
  unlink(err_path.c_str());
  return result;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd) {
  const std::string out_path = TempPath("out"), err_path = TempPath("err");
  return Collect(Spawn(program, args, cwd, out_path, err_path), out_path, err_path);
}

BackgroundProcess::BackgroundProcess(const std::string& program,
                                     const std::vector<std::string>& args)
    : out_path_(TempPath("out")), err_path_(TempPath("err")) {
  pid_ = Spawn(program, args, "", out_path_, err_path_);
}

BackgroundProcess::~BackgroundProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    Collect(pid_, out_path_, err_path_);
  }
}

void BackgroundProcess::Signal(int signal) { kill(pid_, signal); }

ProcessResult BackgroundProcess::Wait() {
  ProcessResult result = Collect(pid_, out_path_, err_path_);
  pid_ = -1;
  return result;
}

}  // namespace vornalis::testing
