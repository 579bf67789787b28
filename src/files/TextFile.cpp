#include "files/TextFile.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

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

FileError::FileError(int errnum) : std::runtime_error(IoErrorMessage(errnum)), errnum_(errnum) {}

namespace {

// An empty name is refused like any invalid name, not passed to open().
int OpenChecked(const std::string& path, int flags) {
  if (path.empty()) throw FileError(ENOENT);
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw FileError(errno);
  return fd;
}

void CloseChecked(int fd) {
  if (::close(fd) != 0 && errno != EINTR) throw FileError(errno);
}

} // namespace

bool FileExists(const std::string& path) {
  return !path.empty() && ::access(path.c_str(), F_OK) == 0;
}

void CheckOpenable(const std::string& path) {
  const int fd = OpenChecked(path, O_RDONLY);
  CloseChecked(fd);
}

void CreateEmptyFile(const std::string& path) {
  const int fd = OpenChecked(path, O_WRONLY | O_CREAT | O_TRUNC);
  CloseChecked(fd);
}

void AppendToFile(const std::string& path, std::string_view text) {
  const int fd = OpenChecked(path, O_WRONLY | O_APPEND);
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      throw FileError(err);
    }
    if (n == 0) { // no progress: treat a stalled write as a full device
      ::close(fd);
      throw FileError(ENOSPC);
    }
    done += static_cast<std::size_t>(n);
  }
  CloseChecked(fd);
}

} // namespace morvane
