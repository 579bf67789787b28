// The ways the tests make a write fail (a file size limit, the permissions of
// an ordinary user) and read back the error, and a test fixture with a
// scratch folder and helpers to read back what the writers left on disk.
#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/TextFile.h"
#include "support/ScratchFolder.h"

namespace morvane {

// Runs `action` and returns what `part` reads from the FileError it throws.
template <typename F, typename Part> std::string FileErrorPart(F action, Part part) {
  try {
    action();
  } catch (const FileError &e) {
    return part(e);
  }
  ADD_FAILURE() << "no FileError thrown";
  return {};
}
// The message of the FileError `action` throws, and the file it names.
template <typename F> std::string FailureOf(F action) {
  return FileErrorPart(action, [](const FileError &e) { return std::string(e.what()); });
}
template <typename F> std::string PathOf(F action) {
  return FileErrorPart(action, [](const FileError &e) { return std::string(e.Path()); });
}

// The message of FailureOf, with files limited to `bytes` bytes (a limit that binds root too)
// while the action runs.
template <typename F> std::string FailureUnderFileSizeLimit(rlim_t bytes, F action) {
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = bytes;
  EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  const std::string message = FailureOf(action);
  EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
  std::signal(SIGXFSZ, previous);
  return message;
}

// File permissions do not stop root, and the tests may run as root. Their
// ordinary user is then nobody (uid and gid 65534), else the user running
// them.
constexpr uid_t kNobody = 65534;

// Hands `path` to that user.
inline void HandToOrdinaryUser(const std::string &path) {
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0) << path;
  }
}

// Runs `action` as that user, in a child process, and returns the message of
// the FileError it threw ("" when it threw none); nothing when the child
// could not become that user.
template <typename F> std::optional<std::string> FailureAsOrdinaryUser(F action) {
  int out[2];
  if (::pipe(out) != 0) {
    ADD_FAILURE() << "pipe failed";
    return "";
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(out[0]);
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
      ::_exit(3);
    std::string message;
    try {
      action();
    } catch (const FileError &e) {
      message = e.what();
    } catch (const std::exception &e) {
      message = std::string("unexpected error: ") + e.what();
    }
    const bool written =
        ::write(out[1], message.data(), message.size()) == static_cast<ssize_t>(message.size());
    ::_exit(written ? 0 : 4);
  }
  ::close(out[1]);
  std::string message;
  char buffer[256];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
    message.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
    ADD_FAILURE() << "no child process";
    return "";
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
    return std::nullopt;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  return message;
}

// A test with a scratch folder of its own.
class TempDirTest : public ::testing::Test {
protected:
  std::string Path(const std::string &name) const { return dir_.File(name); }

  static std::string Read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static void Write(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
  }

  testing::ScratchFolder dir_;
};

} // namespace morvane
