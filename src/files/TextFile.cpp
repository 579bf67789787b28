#include "files/TextFile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace morvane {

std::string IoErrorMessage(int errnum) {
  switch (errnum) {
  case ENOENT:
    return "Fichier introuvable";
  case ENOTDIR:
  case ENAMETOOLONG:
  case EINVAL:
  case EILSEQ:
    return "Nom de fichier incorrect";
  case EMFILE:
  case ENFILE:
    return "Trop de fichiers ouverts";
  case EACCES:
  case EPERM:
  case EROFS:
  case EISDIR:
  case ETXTBSY:
    return "Accès au fichier refusé";
  case ENOSPC:
  case EDQUOT:
  case EFBIG:
    return "Disque plein";
  default:
    return "Erreur E/S " + std::to_string(errnum);
  }
}

FileError::FileError(int errnum, std::string path)
    : std::runtime_error(IoErrorMessage(errnum)), errnum_(errnum), path_(std::move(path)) {}

namespace {

// An empty name is refused like any invalid name, not passed to open().
int OpenChecked(const std::string &path, int flags) {
  if (path.empty())
    throw FileError(ENOENT);
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0)
    throw FileError(errno, path);
  return fd;
}

void CloseChecked(int fd, const std::string &path) {
  if (::close(fd) != 0 && errno != EINTR)
    throw FileError(errno, path);
}

// Cuts a regular file back to its size before a write that failed partway:
// a half line left at the end of a result file would be continued by the
// next line. The offset of an append is the end of the file, so the former
// size is that end less what was written. Best effort: should cutting back
// fail as well, the write error is still the one reported.
void TakeBackPartialWrite(int fd, std::size_t written) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    return;
  const off_t end = ::lseek(fd, 0, SEEK_CUR);
  if (end < 0 || static_cast<std::size_t>(end) < written)
    return;
  const int cut = ::ftruncate(fd, end - static_cast<off_t>(written));
  static_cast<void>(cut);
}

} // namespace

bool FileExists(const std::string &path) {
  return !path.empty() && ::access(path.c_str(), F_OK) == 0;
}

bool SameFile(const std::string &a, const std::string &b) {
  if (a.empty() || b.empty())
    return false;
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error) && !error)
    return true;
  auto resolved = [&error](const std::string &name) {
    const auto absolute = std::filesystem::absolute(name, error);
    return error ? absolute : std::filesystem::weakly_canonical(absolute, error);
  };
  const auto canonicalA = resolved(a);
  if (error)
    return false;
  const auto canonicalB = resolved(b);
  return !error && canonicalA == canonicalB;
}

// A directory opens for reading like a file would; it is refused here so
// that a folder is never accepted where a result file is expected.
void CheckOpenable(const std::string &path) {
  const int fd = OpenChecked(path, O_RDONLY);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    throw FileError(err, path);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw FileError(EISDIR, path);
  }
  CloseChecked(fd, path);
}

void CreateEmptyFile(const std::string &path) {
  const int fd = OpenChecked(path, O_WRONLY | O_CREAT | O_TRUNC);
  CloseChecked(fd, path);
}

bool CreateNewFile(const std::string &path) {
  if (path.empty())
    throw FileError(ENOENT);
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (errno == EEXIST)
      return false;
    throw FileError(errno, path);
  }
  CloseChecked(fd, path);
  return true;
}

void AppendToFile(const std::string &path, std::string_view text) {
  const int fd = OpenChecked(path, O_WRONLY | O_APPEND);
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    int err = 0;
    if (n < 0) {
      if (errno == EINTR)
        continue;
      err = errno;
    } else if (n == 0) {
      err = ENOSPC; // no progress: a stalled write counts as a full device
    }
    if (err != 0) {
      if (done > 0)
        TakeBackPartialWrite(fd, done);
      ::close(fd);
      throw FileError(err, path);
    }
    done += static_cast<std::size_t>(n);
  }
  CloseChecked(fd, path);
}

bool TakeBackTail(const std::string &path, std::size_t bytes) {
  if (path.empty())
    return false;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  struct stat st;
  const bool cut = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                   static_cast<std::size_t>(st.st_size) >= bytes &&
                   ::ftruncate(fd, st.st_size - static_cast<off_t>(bytes)) == 0;
  return ::close(fd) == 0 && cut;
}

} // namespace morvane
