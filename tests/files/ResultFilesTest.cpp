#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "files/DetailFile.h"
#include "files/FinalFile.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"
#include "support/FileFailures.h"
#include "support/WorkedExample.h"

namespace morvane {
namespace {

const std::string kDenied = "Acc\xC3\xA8s au fichier refus\xC3\xA9";

// The defaults of the sexual input window for haploids with local panmixia.
SimState SexualDefaults() {
  SimState s;
  s.FreqA = s.FreqB = 0.5;
  s.DG = 0;
  s.Fit = 0;
  s.SoftProp = s.MigSurv = 1;
  s.W1A = s.W2A = s.W1a = s.W2a = 1;
  s.TriesAB = s.TriesaB = 1;
  s.HabFreq = 0.5;
  s.X[1] = s.X[2] = s.X[3] = s.X[4] = 0.25;
  s.TradeOffStatus = "NoTO";
  s.ESSStatus = "NoESS";
  s.Ploidy = "Haploid";
  s.Reproduction = "Local";
  return s;
}

SimState ClonalExample() {
  SimState s;
  s.X[1] = 0.1;
  s.X[2] = 0.2;
  s.X[3] = 0.3;
  s.X[4] = 0.4;
  s.SoftProp = 0.5;
  s.MigSurv = 1;
  s.W1A = 0.9;
  s.W2A = 0.6;
  s.W1a = 0.6;
  s.W2a = 0.9;
  s.TriesAB = 3;
  s.TriesaB = 12;
  s.HabFreq = 0.5;
  s.TradeOffStatus = "LinTO";
  s.ESSStatus = "NoESS";
  s.Ploidy = "Haploid";
  s.Reproduction = "Clonal";
  return s;
}

using worked::kDetailGeneration1;
using worked::kDetailHeader;
using worked::kDetailParameters;
using worked::kFinalHeader;
using worked::kPlotLine0;

class ResultFilesTest : public TempDirTest {
protected:
  void SetUp() override {
    TempDirTest::SetUp();
    s = SexualDefaults();
    s.BindDetailFile(Path("run.gnr"));
    s.BindFinalFile(Path("final.mrv"));
    CreateEmptyFile(s.DetailFile.Name);
    ResetPlotFile(s, Path(kSexPlotFileName));
  }
  SimState s;
};

TEST_F(ResultFilesTest, SexualRunOfTheDefaults) {
  WriteSexualRunHeader(s);
  s.Generation = 1;
  s.W1 = s.W2 = 0.5;
  WriteSexualDetailGenerationLine(s);
  WriteSexualPlotGenerationLine(s);

  EXPECT_EQ(Read(s.DetailFile.Name), kDetailHeader + kDetailParameters + kDetailGeneration1);
  EXPECT_EQ(Read(s.PlotFile.Name), kPlotLine0 + worked::kPlotGeneration1);
}

TEST_F(ResultFilesTest, SeriesGoOnAndFollowEachOther) {
  // First series: a run of two generations, a disturbance, one more.
  WriteSexualRunHeader(s);
  for (int t = 1; t <= 3; ++t) {
    s.Generation = static_cast<std::uint32_t>(t);
    s.FreqA = 0.5 + 0.1 * t;
    WriteSexualDetailGenerationLine(s);
    WriteSexualPlotGenerationLine(s);
  }
  // Second series: the input window empties the Plot file and resets T.
  ResetPlotFile(s, s.PlotFileName);
  s.Generation = 0;
  WriteSexualRunHeader(s);
  s.Generation = 1;
  WriteSexualDetailGenerationLine(s);
  WriteSexualPlotGenerationLine(s);

  const std::string detail = Read(s.DetailFile.Name);
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = detail.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(detail.substr(at, end - at));
  ASSERT_EQ(lines.size(), 2u + 3u + 2u + 1u);
  EXPECT_EQ(lines[0] + "\r\n", kDetailHeader);
  EXPECT_EQ(lines[2].substr(0, 25), "1\t 6.00000000000000E-0001");
  EXPECT_EQ(lines[4].substr(0, 25), "3\t 8.00000000000000E-0001");
  EXPECT_EQ(lines[5] + "\r\n", kDetailHeader);
  EXPECT_EQ(lines[6].substr(0, 2), "0\t");
  EXPECT_EQ(lines[7].substr(0, 2), "1\t");
  for (std::size_t k : {2u, 3u, 4u, 7u}) {
    EXPECT_EQ(std::count(lines[k].begin(), lines[k].end(), '\t'), 7) << lines[k];
    EXPECT_EQ(lines[k].back(), '\t');
  }
  EXPECT_EQ(detail.size(), detail.find_last_of('\n') + 1);

  // The Plot file holds only the second series: T = 0 and T = 1.
  EXPECT_EQ(Read(s.PlotFile.Name),
            "0\t0.8000\t0.5000\t0.0000\t0.0000\r\n1\t0.80000\t0.50000\t0.00000\t0.00\r\n");
}

TEST_F(ResultFilesTest, SexualLinesWithNegativeAndOddValues) {
  s.Ploidy = "Diploid";
  s.Reproduction = "Global";
  s.TradeOffStatus = "ConvTO";
  s.ESSStatus = "LinESS";
  s.FreqA = 0.3;
  s.FreqB = 0.99995;
  s.DG = -0.0625;
  s.Fit = -0.25;
  s.SoftProp = 0.25;
  s.MigSurv = 0.0001;
  s.W1A = 0.9;
  s.W2A = 0.123456789;
  s.W1a = 0.5;
  s.W2a = 0.1234567890123;
  s.TriesAB = 1000;
  s.TriesaB = 7;
  s.HabFreq = 0.9999;
  EXPECT_EQ(SexualDetailHeaderLines(s),
            kDetailHeader +
                "0\t0.3000\t1.0000\t-0.0625\t-2.50000000000000E-0001\t0\t0\t0.2500\t0.0001\t"
                "  0.900000\t  0.123457\t  0.500000\t0.1234567890\t1000\t7\t0.9999\t"
                "ConvTO\tLinESS\tDiploid\tGlobal\r\n");
  EXPECT_EQ(SexualPlotFirstLine(s), "0\t0.3000\t1.0000\t-0.0625\t-0.2500\r\n");

  s.Generation = 70000;
  s.W1 = 1.25;
  s.W2 = 0;
  std::string line;
  AppendSexualDetailGenerationLine(line, s);
  EXPECT_EQ(line, "70000\t 3.00000000000000E-0001\t 9.99950000000000E-0001\t"
                  "-6.25000000000000E-0002\t-2.50000000000000E-0001\t 1.25000000000000E+0000\t"
                  " 0.00000000000000E+0000\t\r\n");
  line.clear();
  AppendSexualPlotGenerationLine(line, s);
  EXPECT_EQ(line, "70000\t0.30000\t0.99995\t-0.06250\t-0.25\r\n");
}

TEST_F(ResultFilesTest, ClonalRun) {
  ResetPlotFile(s, Path(kClonePlotFileName));
  s = [&] {
    SimState c = ClonalExample();
    c.DetailFile = s.DetailFile;
    c.PlotFile = s.PlotFile;
    c.PlotFileName = s.PlotFileName;
    return c;
  }();
  WriteClonalRunHeader(s);
  s.Generation = 1;
  s.X[1] = 0.125;
  s.X[4] = 0.375;
  s.W1 = 0.75;
  s.W2 = 0.5;
  WriteClonalDetailGenerationLine(s);
  WriteClonalPlotGenerationLine(s);

  EXPECT_EQ(Read(s.DetailFile.Name),
            "T\tf(AB)\tf(Ab)\tf(aB)\tf(ab)\tW1\tW2\tx\td\tW1(A)\tW2(A)\tW1(a)\tW2(a)\ti\tj\tc\t"
            "TradeOff\tESS\tPloidy\tReproduction\r\n"
            "0\t0.1000\t0.2000\t0.3000\t 4.00000000000000E-0001\t0\t0\t0.50\t1.00\t0.90\t0.60\t"
            "0.6000\t0.90\t 3\t12\t0.50\tLinTO\tNoESS\tHaploid\tClonal\r\n"
            "1\t 1.25000000000000E-0001\t 2.00000000000000E-0001\t 3.00000000000000E-0001\t"
            " 3.75000000000000E-0001\t 7.50000000000000E-0001\t 5.00000000000000E-0001\t\r\n");
  EXPECT_EQ(Read(s.PlotFile.Name), "0\t0.100\t0.200\t0.300\t0.40\r\n"
                                   "1\t0.12500\t0.20000\t0.30000\t0.37500\r\n");
}

TEST_F(ResultFilesTest, PlotFilesAreResetSeparately) {
  const std::string sexual = s.PlotFileName;
  WriteSexualRunHeader(s);
  EXPECT_EQ(s.PlotFile.Name, sexual);

  SimState clonal = ClonalExample();
  clonal.DetailFile = s.DetailFile;
  ResetPlotFile(clonal, Path(kClonePlotFileName));
  EXPECT_EQ(clonal.PlotFile.Name, Path(kClonePlotFileName));
  EXPECT_EQ(clonal.PlotFileName, Path(kClonePlotFileName));
  WriteClonalRunHeader(clonal);
  EXPECT_EQ(Read(sexual), kPlotLine0);

  ResetPlotFile(s, sexual);
  EXPECT_EQ(Read(sexual), "");
  EXPECT_EQ(Read(clonal.PlotFileName), "0\t0.100\t0.200\t0.300\t0.40\r\n");
}

TEST_F(ResultFilesTest, PlotFileUnderItsFixedNameInTheCurrentFolder) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.Path());
  Write(kSexPlotFileName, "old series\r\n");
  ResetPlotFile(s, kSexPlotFileName);
  WriteSexualRunHeader(s);
  std::filesystem::current_path(previous);
  EXPECT_EQ(s.PlotFileName, "PlotSexFile.plo");
  EXPECT_EQ(Read(Path("PlotSexFile.plo")), kPlotLine0);
}

TEST_F(ResultFilesTest, FinalFileNewThenRecords) {
  CreateOrAcceptFinalFile(s.FinalFile.Name);
  EXPECT_EQ(Read(s.FinalFile.Name), kFinalHeader);

  // The haploid series with global panmixia stopped after 412 generations.
  s.Generation = 412;
  s.SoftProp = 0.5;
  s.MigSurv = 1;
  s.W1A = 0.9;
  s.W2A = 0.6;
  s.W1a = 0.6;
  s.W2a = 0.9;
  s.Reproduction = "Global";
  s.PlotFileName = kSexPlotFileName;
  AppendFinalRecord(s, false);

  // A clonal series carries the clone frequencies in columns 11 to 14.
  SimState c = ClonalExample();
  c.FinalFile = s.FinalFile;
  c.PlotFileName = kClonePlotFileName;
  c.FreqA = 0.77; // stale sexual values must not show
  c.DG = 0.01;
  AppendFinalRecord(c, true);

  // A diploid series with a negative disequilibrium and tiny d.
  s.Ploidy = "Diploid";
  s.Reproduction = "Local";
  s.DG = -0.0123;
  s.Fit = 0.0625;
  s.MigSurv = 0.0001;
  s.SoftProp = 1;
  AppendFinalRecord(s, false);

  EXPECT_EQ(Read(s.FinalFile.Name),
            kFinalHeader + "412\t0.50\t1.00\t0.90\t0.60\t0.60\t0.90\t1\t1\t0.50\t0.5000\t0.5000\t"
                           "0.0000\t0.0000\tNoTO\tNoESS\tHaploid\tGlobal\tPlotSexFile.plo\r\n"
                           "0\t0.50\t1.00\t0.90\t0.60\t0.60\t0.90\t3\t12\t0.50\t0.1000\t0.2000\t"
                           "0.3000\t0.4000\tLinTO\tNoESS\tHaploid\tClonal\tPlotCloneFile.plo\r\n"
                           "412\t1.00\t0.00\t0.90\t0.60\t0.60\t0.90\t1\t1\t0.50\t0.5000\t0.5000\t"
                           "-0.0123\t0.0625\tNoTO\tNoESS\tDiploid\tLocal\tPlotSexFile.plo\r\n");
}

TEST_F(ResultFilesTest, ExistingFinalFileIsNeverRewritten) {
  // No line end at the end: accepted as it is, and a record starts a line of
  // its own after it (the desktop program does not judge what a chosen file
  // holds; morvane-run refuses a file that is no Final file).
  const std::string before = "someone else's data\r\nno line end";
  Write(s.FinalFile.Name, before);
  CreateOrAcceptFinalFile(s.FinalFile.Name);
  EXPECT_EQ(Read(s.FinalFile.Name), before);

  s.PlotFileName = kSexPlotFileName;
  AppendFinalRecord(s, false);
  AppendFinalRecord(s, false);
  const std::string record = FinalRecordLine(s, false);
  EXPECT_EQ(Read(s.FinalFile.Name), before + "\r\n" + record + record);
  // Half a line end is completed.
  Write(s.FinalFile.Name, before + "\r");
  AppendFinalRecord(s, false);
  EXPECT_EQ(Read(s.FinalFile.Name), before + "\r\n" + record);

  // An empty existing file stays empty: no header is added to it.
  const std::string empty = Path("empty.mrv");
  CreateEmptyFile(empty);
  CreateOrAcceptFinalFile(empty);
  EXPECT_EQ(Read(empty), "");
}

TEST_F(ResultFilesTest, FinalFileThatCannotBeCreated) {
  // A folder that refuses new files even to root.
  if (std::filesystem::is_directory("/sys") && !FileExists("/sys/morvane-final.mrv")) {
    EXPECT_EQ(FailureOf([] { CreateOrAcceptFinalFile("/sys/morvane-final.mrv"); }), kDenied);
  }
  // A path whose folder is a regular file.
  Write(Path("plain"), "x");
  EXPECT_EQ(FailureOf([&] { CreateOrAcceptFinalFile(Path("plain/final.mrv")); }),
            "Nom de fichier incorrect");
  // A folder chosen as the Final file.
  EXPECT_EQ(FailureOf([&] { CreateOrAcceptFinalFile(dir_.Path()); }), kDenied);
  EXPECT_EQ(FailureOf([&] { CreateOrAcceptFinalFile(Path("missing/final.mrv")); }),
            "Fichier introuvable");
}

// The disk fills while the header of a new Final file is written: no
// headerless file is left to be accepted later as an existing Final file.
TEST_F(ResultFilesTest, FinalFileWhoseHeaderCannotBeWritten) {
  EXPECT_EQ(FailureUnderFileSizeLimit(10, [&] { CreateOrAcceptFinalFile(s.FinalFile.Name); }),
            "Disque plein");
  EXPECT_FALSE(FileExists(s.FinalFile.Name));

  CreateOrAcceptFinalFile(s.FinalFile.Name);
  EXPECT_EQ(Read(s.FinalFile.Name), kFinalHeader);
}

TEST_F(ResultFilesTest, FinalFileInAReadOnlyFolder) {
  const std::string folder = Path("locked");
  std::filesystem::create_directory(folder);
  HandToOrdinaryUser(dir_.Path());
  HandToOrdinaryUser(folder);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_exec);
  const std::optional<std::string> locked =
      FailureAsOrdinaryUser([&] { CreateOrAcceptFinalFile(folder + "/final.mrv"); });
  if (!locked)
    GTEST_SKIP() << "the tests run as root and cannot become user nobody here";
  EXPECT_EQ(*locked, kDenied);
  EXPECT_FALSE(FileExists(folder + "/final.mrv"));
  // The same user creates it in its folder that is not locked.
  EXPECT_EQ(FailureAsOrdinaryUser([&] { CreateOrAcceptFinalFile(Path("final.mrv")); }), "");
  EXPECT_EQ(Read(Path("final.mrv")), kFinalHeader);
}

TEST_F(ResultFilesTest, FinalRecordToAFileRemovedAfterItWasChosen) {
  CreateOrAcceptFinalFile(s.FinalFile.Name);
  std::filesystem::remove(s.FinalFile.Name);
  EXPECT_EQ(FailureOf([&] { AppendFinalRecord(s, false); }), "Fichier introuvable");
  EXPECT_FALSE(FileExists(s.FinalFile.Name));
  SimState unbound;
  EXPECT_EQ(FailureOf([&] { AppendFinalRecord(unbound, true); }), "Fichier introuvable");
}

TEST_F(ResultFilesTest, DetailFileDeletedAfterItWasChosen) {
  WriteSexualRunHeader(s);
  std::filesystem::remove(s.DetailFile.Name);
  s.Generation = 1;
  EXPECT_EQ(FailureOf([&] { WriteSexualDetailGenerationLine(s); }), "Fichier introuvable");
  EXPECT_EQ(FailureOf([&] { WriteClonalDetailGenerationLine(s); }), "Fichier introuvable");
  EXPECT_FALSE(FileExists(s.DetailFile.Name)); // never recreated behind the user's back
  // The Plot file already had its first line; the header stops at the Detail
  // file and writes nothing more to the Plot file.
  EXPECT_EQ(FailureOf([&] { WriteSexualRunHeader(s); }), "Fichier introuvable");
  EXPECT_EQ(Read(s.PlotFile.Name), kPlotLine0);
}

TEST_F(ResultFilesTest, PlotFileInAMissingFolder) {
  const std::string name = Path("missing/PlotSexFile.plo");
  EXPECT_EQ(FailureOf([&] { ResetPlotFile(s, name); }), "Fichier introuvable");
  EXPECT_EQ(s.PlotFileName, name);
  // The Detail header goes out before the Plot line fails, and is taken back
  // so that the next attempt's header does not follow a stray one.
  Write(s.DetailFile.Name, "earlier series\r\n");
  EXPECT_EQ(FailureOf([&] { WriteSexualRunHeader(s); }), "Fichier introuvable");
  EXPECT_EQ(Read(s.DetailFile.Name), "earlier series\r\n");
  EXPECT_EQ(FailureOf([&] { WriteSexualPlotGenerationLine(s); }), "Fichier introuvable");
}

TEST_F(ResultFilesTest, FullDisk) {
  if (!FileExists("/dev/full"))
    GTEST_SKIP() << "/dev/full is not available";
  SimState full = s;
  full.DetailFile.Name = "/dev/full";
  full.PlotFile.Name = "/dev/full";
  full.FinalFile.Name = "/dev/full";
  EXPECT_EQ(FailureOf([&] { WriteSexualRunHeader(full); }), "Disque plein");
  EXPECT_EQ(FailureOf([&] { WriteSexualDetailGenerationLine(full); }), "Disque plein");
  EXPECT_EQ(FailureOf([&] { WriteClonalPlotGenerationLine(full); }), "Disque plein");
  EXPECT_EQ(FailureOf([&] { AppendFinalRecord(full, false); }), "Disque plein");
}

// The disk fills in the middle of a run: the lines written before stay
// whole, and no part of the failed line is left behind.
TEST_F(ResultFilesTest, DiskFillsDuringARun) {
  WriteSexualRunHeader(s);
  s.Generation = 1;
  WriteSexualDetailGenerationLine(s);
  const std::string before = Read(s.DetailFile.Name);
  s.Generation = 2;
  EXPECT_EQ(
      FailureUnderFileSizeLimit(before.size() + 40, [&] { WriteSexualDetailGenerationLine(s); }),
      "Disque plein");
  EXPECT_EQ(Read(s.DetailFile.Name), before);
}

} // namespace
} // namespace morvane
