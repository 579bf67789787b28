// Running the built command-line programs in a folder of their own, and
// reading back what they left there.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "support/RunLoopTestSupport.h"

namespace morvane::testing {

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

using Args = std::vector<std::string>;

// The words of `text`, split at spaces: an argument list written as a line.
inline Args Words(const std::string &text) {
  Args words;
  std::istringstream in(text);
  for (std::string w; in >> w;)
    words.push_back(w);
  return words;
}

inline Args Joined(Args a, const Args &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Lines of a program's output or table, each ended by LF.
inline std::vector<std::string> LfLines(const std::string &content) {
  std::vector<std::string> lines;
  std::istringstream in(content);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  EXPECT_TRUE(content.empty() || content.back() == '\n') << "no line end at the end";
  return lines;
}

// `program` started with `args` in `folder`, stdout and stderr captured;
// Wait() collects its outcome (exit status -1 when a signal ended it).
class RunningProgram {
public:
  RunningProgram(const char *program, const std::string &folder, const Args &args) {
    pid_ = ::fork();
    if (pid_ < 0)
      ADD_FAILURE() << "fork failed";
    if (pid_ != 0)
      return;
    const int out = ::open(capture_.File("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(capture_.File("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
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

  pid_t Pid() const { return pid_; }

  Outcome Wait() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, 0) != pid_)
      ADD_FAILURE() << "waitpid failed";
    Outcome o;
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = ReadWholeFile(capture_.File("stdout"));
    o.err = ReadWholeFile(capture_.File("stderr"));
    return o;
  }

private:
  ScratchFolder capture_;
  pid_t pid_ = -1;
};

// Runs `program` with `args` in `folder`, stdout and stderr captured.
inline Outcome RunProgram(const char *program, const std::string &folder, const Args &args) {
  return RunningProgram(program, folder, args).Wait();
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

// A refused command line: exit status 2, `message` on stderr, nothing on
// stdout and nothing written in the folder it ran in.
struct Refusal {
  Args args;
  std::string message;
};
inline void ExpectRefused(const char *program, const Refusal &c) {
  ScratchFolder folder;
  const Outcome o = RunProgram(program, folder.Path(), c.args);
  std::string shown;
  for (const std::string &a : c.args)
    shown += a + " ";
  EXPECT_EQ(o.exitCode, 2) << shown;
  EXPECT_NE(o.err.find(c.message), std::string::npos) << shown << "-> " << o.err;
  EXPECT_EQ(o.out, "") << shown;
  EXPECT_TRUE(FolderEntries(folder.Path()).empty()) << shown;
}

// `program --merge out.mrv` with each case's shards in `folder`: exit status
// 2, the case's message on stderr, and neither out.mrv nor out.tsv written.
inline void ExpectMergesRefused(const char *program, const ScratchFolder &folder,
                                const std::vector<Refusal> &cases) {
  for (const Refusal &c : cases) {
    const Outcome o = RunProgram(program, folder.Path(), Joined(Words("--merge out.mrv"), c.args));
    EXPECT_EQ(o.exitCode, 2) << c.message;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << c.message << " -> " << o.err;
    EXPECT_FALSE(FileExists(folder.File("out.mrv")) || FileExists(folder.File("out.tsv")));
  }
}

// A sweep's trace files of point `n`, without their ending.
inline std::string TracePoint(std::size_t n) {
  return std::string("point-") + (n < 10 ? "0" : "") + std::to_string(n);
}

// Each of `copies`' .mrv and .tsv files holds the bytes of `original`'s.
inline void ExpectSameSweepFiles(const std::string &original, const Args &copies) {
  for (const std::string ending : {".mrv", ".tsv"})
    for (const std::string &copy : copies)
      EXPECT_EQ(ReadWholeFile(copy + ending), ReadWholeFile(original + ending)) << copy << ending;
}

} // namespace morvane::testing
