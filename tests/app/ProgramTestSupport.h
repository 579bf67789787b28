// Running the built command-line programs in a folder of their own, and
// reading back what they left there.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "RunLoopTestSupport.h"

namespace morvane::testing {

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs `program` with `args` in `folder`, stdout and stderr captured.
inline Outcome RunProgram(const char *program, const std::string &folder,
                          const std::vector<std::string> &args) {
  ScratchFolder capture;
  const std::string outPath = capture.File("stdout");
  const std::string errPath = capture.File("stderr");
  const pid_t pid = ::fork();
  if (pid < 0) {
    ADD_FAILURE() << "fork failed";
    return {};
  }
  if (pid == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 ||
        ::chdir(folder.c_str()) != 0)
      ::_exit(127);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program));
    for (const std::string &a : args)
      argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(program, argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid)
    ADD_FAILURE() << "waitpid failed";
  Outcome o;
  o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  o.out = ReadWholeFile(outPath);
  o.err = ReadWholeFile(errPath);
  return o;
}

inline std::vector<std::string> FolderEntries(const std::string &folder) {
  std::vector<std::string> names;
  DIR *dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    ADD_FAILURE() << "cannot list " << folder;
    return names;
  }
  while (const dirent *e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

} // namespace morvane::testing
