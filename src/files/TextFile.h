// Text files that are never held open: every operation opens, writes and
// closes, and checks each step. A failure throws FileError with the runtime
// message chosen from errno.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace morvane {

// "Fichier introuvable", "Nom de fichier incorrect", "Trop de fichiers
// ouverts", "Accès au fichier refusé", "Disque plein", or "Erreur E/S %d".
std::string IoErrorMessage(int errnum);

// what() is the runtime message; Path() names the file concerned, so that
// the user can tell the Final, Detail and Plot files apart.
class FileError : public std::runtime_error {
public:
  explicit FileError(int errnum, std::string path = {});
  int Errno() const { return errnum_; }
  const std::string &Path() const { return path_; }

private:
  int errnum_;
  std::string path_;
};

bool FileExists(const std::string &path);
// Whether two names denote the same file: the same existing file (links and
// relative paths resolved), or the same path once resolved when one of them
// does not exist yet. Empty names denote no file.
bool SameFile(const std::string &a, const std::string &b);
// Opens the file for reading and closes it again; a directory is refused
// ("Accès au fichier refusé").
void CheckOpenable(const std::string &path);
// Creates the file, or truncates an existing one, and closes it.
void CreateEmptyFile(const std::string &path);
// Creates the file empty and closes it; returns false, touching nothing,
// when a file of that name already exists.
bool CreateNewFile(const std::string &path);
// Opens an existing file for appending (a missing file is not created),
// writes every byte of text, closes. When a write fails after part of the
// text went out, the file is cut back to its former size before the error
// is thrown, so that no partial line stays behind.
void AppendToFile(const std::string &path, std::string_view text);
// Cuts the last `bytes` bytes off a regular file: takes back a line appended
// a moment ago whose companion line in another file could not be written.
// Best effort: returns false, touching nothing, when the file is gone, is no
// regular file, is shorter or cannot be cut.
bool TakeBackTail(const std::string &path, std::size_t bytes);

} // namespace morvane
