#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <unistd.h>

#include "support/FileFailures.h"
#include "files/TextFile.h"

namespace morvane {
namespace {

TEST(IoErrorMessage, ChosenFromErrno) {
  EXPECT_EQ(IoErrorMessage(ENOENT), "Fichier introuvable");
  for (int e : {ENOTDIR, ENAMETOOLONG, EINVAL, EILSEQ})
    EXPECT_EQ(IoErrorMessage(e), "Nom de fichier incorrect") << e;
  for (int e : {EMFILE, ENFILE})
    EXPECT_EQ(IoErrorMessage(e), "Trop de fichiers ouverts") << e;
  for (int e : {EACCES, EPERM, EROFS, EISDIR, ETXTBSY})
    EXPECT_EQ(IoErrorMessage(e), "Acc\xC3\xA8s au fichier refus\xC3\xA9") << e;
  for (int e : {ENOSPC, EDQUOT, EFBIG})
    EXPECT_EQ(IoErrorMessage(e), "Disque plein") << e;
  EXPECT_EQ(IoErrorMessage(EIO), "Erreur E/S " + std::to_string(EIO));
  EXPECT_EQ(IoErrorMessage(EBUSY), "Erreur E/S " + std::to_string(EBUSY));

  const FileError error(ENOSPC);
  EXPECT_EQ(error.Errno(), ENOSPC);
  EXPECT_STREQ(error.what(), "Disque plein");
}

using TextFileTest = TempDirTest;

TEST_F(TextFileTest, CreateTruncatesAndAppendAddsAtTheEnd) {
  const std::string path = Path("a.txt");
  EXPECT_FALSE(FileExists(path));
  CreateEmptyFile(path);
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(Read(path), "");
  AppendToFile(path, "one\r\n");
  AppendToFile(path, "two\r\n");
  EXPECT_EQ(Read(path), "one\r\ntwo\r\n");
  CheckOpenable(path);
  EXPECT_EQ(Read(path), "one\r\ntwo\r\n");
  CreateEmptyFile(path);
  EXPECT_EQ(Read(path), "");
}

TEST_F(TextFileTest, SameFileSeesThroughSpellingsAndLinks) {
  const std::string path = Path("a.txt");
  // Not created yet: the names are compared once resolved.
  EXPECT_TRUE(SameFile(path, Path("./a.txt")));
  EXPECT_TRUE(SameFile(path, Path("sub/../a.txt")));
  EXPECT_FALSE(SameFile(path, Path("b.txt")));
  EXPECT_FALSE(SameFile(path, ""));
  EXPECT_FALSE(SameFile("", ""));
  // Existing, and reached through a link.
  CreateEmptyFile(path);
  ASSERT_EQ(::symlink(path.c_str(), Path("link.txt").c_str()), 0);
  EXPECT_TRUE(SameFile(Path("link.txt"), path));
  CreateEmptyFile(Path("b.txt"));
  EXPECT_FALSE(SameFile(Path("link.txt"), Path("b.txt")));
}

TEST_F(TextFileTest, CreateNewFileNeverTouchesAnExistingOne) {
  const std::string path = Path("b.txt");
  EXPECT_TRUE(CreateNewFile(path));
  EXPECT_EQ(Read(path), "");
  Write(path, "kept");
  EXPECT_FALSE(CreateNewFile(path));
  EXPECT_EQ(Read(path), "kept");
}

TEST_F(TextFileTest, AppendNeverCreatesAMissingFile) {
  const std::string path = Path("missing.txt");
  EXPECT_EQ(FailureOf([&] { AppendToFile(path, "x"); }), "Fichier introuvable");
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(FailureOf([&] { CheckOpenable(path); }), "Fichier introuvable");
  EXPECT_EQ(FailureOf([] { AppendToFile("", "x"); }), "Fichier introuvable");
  EXPECT_EQ(FailureOf([] { CreateEmptyFile(""); }), "Fichier introuvable");
  EXPECT_FALSE(FileExists(""));
}

TEST_F(TextFileTest, BadNamesAndFolders) {
  const std::string file = Path("plain.txt");
  CreateEmptyFile(file);
  // A regular file used as a folder.
  EXPECT_EQ(FailureOf([&] { CreateEmptyFile(file + "/x.txt"); }), "Nom de fichier incorrect");
  EXPECT_EQ(FailureOf([&] { AppendToFile(file + "/x.txt", "x"); }), "Nom de fichier incorrect");
  EXPECT_EQ(FailureOf([&] { CreateEmptyFile(Path(std::string(300, 'n'))); }),
            "Nom de fichier incorrect");
  // A folder where a file is expected is refused for reading and writing.
  EXPECT_EQ(FailureOf([&] { CheckOpenable(dir_.Path()); }),
            "Acc\xC3\xA8s au fichier refus\xC3\xA9");
  EXPECT_EQ(FailureOf([&] { AppendToFile(dir_.Path(), "x"); }),
            "Acc\xC3\xA8s au fichier refus\xC3\xA9");
  EXPECT_EQ(FailureOf([&] { CreateEmptyFile(Path("none/x.txt")); }), "Fichier introuvable");
  // Each error names the file concerned.
  EXPECT_EQ(PathOf([&] { CreateEmptyFile(Path("none/x.txt")); }), Path("none/x.txt"));
  EXPECT_EQ(PathOf([&] { AppendToFile(file + "/x.txt", "x"); }), file + "/x.txt");
  EXPECT_EQ(PathOf([&] { CheckOpenable(dir_.Path()); }), dir_.Path());
}

TEST_F(TextFileTest, FullDeviceIsReported) {
  if (!FileExists("/dev/full"))
    GTEST_SKIP() << "/dev/full is not available";
  EXPECT_EQ(FailureOf([] { AppendToFile("/dev/full", "line\r\n"); }), "Disque plein");
  EXPECT_EQ(PathOf([] { AppendToFile("/dev/full", "line\r\n"); }), "/dev/full");
}

// Taking back the line just appended: only from a regular file that holds
// at least that much; anything else is left as it is.
TEST_F(TextFileTest, TakeBackTailCutsTheEndOfARegularFile) {
  const std::string path = Path("lines.txt");
  Write(path, "first\r\nsecond\r\n");
  EXPECT_TRUE(TakeBackTail(path, 8));
  EXPECT_EQ(Read(path), "first\r\n");
  EXPECT_FALSE(TakeBackTail(path, 8));
  EXPECT_EQ(Read(path), "first\r\n");
  EXPECT_FALSE(TakeBackTail(Path("missing.txt"), 1));
  EXPECT_FALSE(FileExists(Path("missing.txt")));
  EXPECT_FALSE(TakeBackTail(dir_.Path(), 1));
  if (FileExists("/dev/full")) {
    EXPECT_FALSE(TakeBackTail("/dev/full", 1));
  }
}

// A write that stops half way (here at the file size limit, which also
// binds root) leaves the file exactly as it was before the call.
TEST_F(TextFileTest, PartialWriteIsTakenBack) {
  const std::string path = Path("limited.txt");
  Write(path, "first line\r\n");
  EXPECT_EQ(FailureUnderFileSizeLimit(
                20, [&] { AppendToFile(path, "second line, too long for the limit\r\n"); }),
            "Disque plein");
  EXPECT_EQ(Read(path), "first line\r\n");
}

TEST_F(TextFileTest, PermissionDeniedForOrdinaryUsers) {
  const std::string path = Path("locked.txt");
  Write(path, "x");
  HandToOrdinaryUser(dir_.Path());
  HandToOrdinaryUser(path);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  const std::optional<std::string> locked = FailureAsOrdinaryUser([&] { AppendToFile(path, "y"); });
  if (!locked)
    GTEST_SKIP() << "the tests run as root and cannot become user nobody here";
  EXPECT_EQ(*locked, "Acc\xC3\xA8s au fichier refus\xC3\xA9");
  EXPECT_EQ(Read(path), "x");
  // Writable again, the same user appends to it.
  std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(FailureAsOrdinaryUser([&] { AppendToFile(path, "y"); }), "");
  EXPECT_EQ(Read(path), "xy");
}

} // namespace
} // namespace morvane
