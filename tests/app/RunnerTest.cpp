// morvane-run as a program: its files, its refusals, its file errors and its
// output.
#include "files/TextFile.h"
#include "support/ProgramTestSupport.h"
#include "support/WorkedExample.h"

namespace morvane {
namespace {

using namespace testing;

Outcome RunRunner(const std::string &folder, const Args &args) {
  return RunProgram(MORVANE_RUN_PATH, folder, args);
}

Args WithFiles(const Args &args) {
  return Joined(Words("--final results.mrv --detail run.gnr"), args);
}

// ---------------------------------------------------------------------------
// The runner's files. That they equal those of the same series through the
// windows, for every model, is the whole-road test of the windows.

TEST(RunnerFiles, DefaultsGiveTheWorkedExample) {
  ScratchFolder folder;
  const Outcome o = RunRunner(folder.Path(), WithFiles(Words("--model haploid-local")));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.out, "1\t1\t0.5\t0.5\t0\t0\n");
  EXPECT_EQ(ReadWholeFile(folder.File("run.gnr")),
            worked::kDetailHeader + worked::kDetailParameters + worked::kDetailGeneration1);
  EXPECT_EQ(ReadWholeFile(folder.File("PlotSexFile.plo")),
            worked::kPlotLine0 + worked::kPlotGeneration1);
  EXPECT_EQ(ReadWholeFile(folder.File("results.mrv")), worked::kFinalHeader + worked::kFinalRecord);
  EXPECT_EQ(FolderEntries(folder.Path()).size(), 3u);
}

TEST(RunnerFiles, ExistingFinalFileIsAppendedToAndDetailFileEmptied) {
  ScratchFolder folder;
  // Its last line without its line end: the record starts a line of its own.
  WriteWholeFile(folder.File("results.mrv"), worked::kFinalHeader + "earlier");
  WriteWholeFile(folder.File("run.gnr"), "old detail\r\n");
  const Outcome o = RunRunner(folder.Path(), WithFiles({"--model=clonal", "--plot=mine.plo"}));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> final = CrLfLines(ReadWholeFile(folder.File("results.mrv")));
  ASSERT_EQ(final.size(), 3u);
  EXPECT_EQ(final[1], "earlier");
  EXPECT_EQ(TabFields(final[2])[18], "mine.plo");
  EXPECT_EQ(TabFields(CrLfLines(ReadWholeFile(folder.File("run.gnr"))).at(0))[1], "f(AB)");
  EXPECT_EQ(FolderEntries(folder.Path()).size(), 3u); // no PlotCloneFile.plo beside mine.plo
  EXPECT_TRUE(FileExists(folder.File("mine.plo")));
}

TEST(RunnerFiles, CountsAreTruncatedTowardZero) {
  ScratchFolder folder;
  const Outcome o =
      RunRunner(folder.Path(), WithFiles({"--model", "diploid-local", "--i", "2.7", "--j=1000.9"}));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> parameters =
      TabFields(CrLfLines(ReadWholeFile(folder.File("run.gnr"))).at(1));
  EXPECT_EQ(parameters[13], "2");
  EXPECT_EQ(parameters[14], "1000");
}

// ---------------------------------------------------------------------------
// Refused arguments: the window's message, exit status 2, no file touched.

TEST(RunnerRefusal, BadValuesAreRefusedBeforeAnyFileIsTouched) {
  const Refusal cases[] = {
      {Words("--model haploid-local --x 1.5"), "x out of Range"},
      {Words("--model haploid-local --x abc"), "x out of Range"},
      {{"--model", "haploid-local", "--x", ""}, "x out of Range"},
      {Words("--model clonal --x -0.2"), "x out of Range"},
      {Words("--model haploid-local --d 0.00005"), "d out of Range"},
      {Words("--model haploid-local --c 1"), "c out of Range"},
      {Words("--model haploid-local --i 0"), "i out of Range"},
      {Words("--model haploid-local --j 70000"), "j out of Range"},
      {Words("--model haploid-local --j 1e300"), "j out of Range"},
      {Words("--model haploid-local --W1A 1.1"), "W1(A) out of Range"},
      {Words("--model haploid-local --W2A -0.1"), "W2(A) out of Range"},
      {Words("--model haploid-local --W1a 2"), "W1(a) out of Range"},
      {Words("--model haploid-local --W2a nan"), "W2(a) out of Range"},
      {Words("--model haploid-local --L 0.2"), "L out of Range"},
      {Words("--model haploid-local --p 1.5"), "p out of Range"},
      {Words("--model diploid-local --q -1"), "q out of Range"},
      {Words("--model diploid-global --p 0.3 --q 0.6 --DG 0.15"), "DG0 out of Range"},
      {Words("--model haploid-local --p 1 --DG 0.01"), "DG0 out of Range"},
      {Words("--model clonal --fAB 1.5"), "f(AB) out of Range"},
      {Words("--model clonal --fab -0.2"), "f(ab) out of Range"},
      {Words("--model clonal --fAb 0 --fab 0"), "Sum = 0, very funny!"},
      {Words("--model haploid-local --trade-off linear --ess --c 0.4"),
       "as c<0.5 [A] cannot be the ESS"},
      {Words("--model haploid-local --ess"), "--ess needs --trade-off linear"},
      {Words("--model haploid-local --trade-off convex --ess"), "--ess needs --trade-off linear"},
      {Words("--model haploid-local --trade-off linear --W2A 0.3"),
       "cannot be given with --trade-off"},
      {Words("--model haploid-local --trade-off linear --ess --W1A 0.3"),
       "--W1A cannot be given with --ess"},
      {Words("--model haploid-local --trade-off steep"), "--trade-off must be one of"},
      {Words("--model haploid-local --disturb p=0.5,q=0.5,DG=0.3"), "DG out of Range"},
      {Words("--model haploid-local --disturb p=1.5,q=0.5,DG=0"), "p out of Range"},
      {Words("--model haploid-local --disturb p=0.5,q=0.5,Fit=0"), "unknown key Fit"},
      {Words("--model haploid-local --disturb p=0.5,q=0.5"), "DG= is missing"},
      {Words("--model diploid-local --disturb p=0.5,q=0.5,Fit=-1.2"), "Fit out of Range"},
      {Words("--model diploid-local --disturb p=0.2,q=0.5,Fit=-0.3"), "Fit out of Range"},
      {Words("--model diploid-local --disturb p=0.5,q=0.5,DG=0,Fit=0"), "not both"},
      {Words("--model clonal --disturb fAB=0,fAb=0,faB=0,fab=0"), "Sum = 0, very funny!"},
      {Words("--model clonal --disturb fAB=0.5,fAb=2,faB=0,fab=0"), "f(Ab) out of Range"},
      {Words("--model clonal --disturb fAB=0.5"), "fAb= is missing"},
      {Words("--model clonal --p 0.5"), "not an option of the clonal model"},
      {Words("--model haploid-global --fAB 0.5"), "option of the clonal model only"},
      {Words("--model triploid"), "--model must be one of"},
      {Words("--x 0.5"), "--model is required"},
      {Words("--model haploid-local --x 0.5 --x 0.6"), "--x is given twice"},
      {Words("--model haploid-local --speed 3"), "unknown option --speed"},
      {Words("--model haploid-local stray"), "unexpected argument"},
      {Words("--model haploid-local --max-generations 0"), "--max-generations"},
      {Words("--model haploid-local --plot results.mrv"), "three different files"},
      {Words("--model haploid-local --L"), "--L needs a value"},
  };
  for (const Refusal &c : cases)
    ExpectRefused(MORVANE_RUN_PATH, {WithFiles(c.args), c.message});
  // A window's message stands alone on its line.
  ScratchFolder folder;
  EXPECT_EQ(RunRunner(folder.Path(), WithFiles(Words("--model haploid-local --DG 1"))).err,
            "DG0 out of Range\n");
}

TEST(RunnerRefusal, MissingFilesAndAnExistingFinalFileLeftAlone) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("results.mrv"), "kept as it is");
  const Refusal cases[] = {
      {Words("--model haploid-local --final results.mrv"), "--detail is required"},
      {Words("--model clonal --detail run.gnr"), "--final is required"},
      {WithFiles(Words("--model clonal --c 0")), "c out of Range"},
      // The Detail file named like the Final file would empty it.
      {Words("--model clonal --final results.mrv --detail ./results.mrv"), "three different files"},
      // Two spellings of a file that does not exist yet: the Final file
      // created with its header would be emptied at once as Detail file.
      {Words("--model clonal --final new.mrv --detail ./new.mrv"), "three different files"},
  };
  for (const Refusal &c : cases) {
    const Outcome o = RunRunner(folder.Path(), c.args);
    EXPECT_EQ(o.exitCode, 2) << c.message;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
    EXPECT_EQ(ReadWholeFile(folder.File("results.mrv")), "kept as it is");
    EXPECT_EQ(FolderEntries(folder.Path()), Args{"results.mrv"});
  }
}

TEST(RunnerRefusal, AFinalFileThatIsNoFinalFileIsLeftAlone) {
  const std::string header = worked::kFinalHeader;
  std::string lfHeader = header;
  lfHeader.erase(lfHeader.size() - 2, 1);
  const std::pair<std::string, std::string> cases[] = {
      {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "is not a Final file"},
      {worked::kDetailHeader + worked::kDetailParameters, "is not a Final file"},
      {std::string("\0\x17\xff random", 10), "is not a Final file"},
      {header.substr(0, 20), "is not a Final file"},
      {"", "is empty, not a Final file"},
      {lfHeader + "412\n", "has LF line ends where a Final file has CR LF"},
  };
  for (const auto &[content, message] : cases) {
    ScratchFolder folder;
    WriteWholeFile(folder.File("results.mrv"), content);
    const Outcome o = RunRunner(folder.Path(), WithFiles(Words("--model clonal")));
    EXPECT_EQ(o.exitCode, 2) << message;
    EXPECT_EQ(o.err.rfind("results.mrv " + message, 0), 0u) << o.err;
    EXPECT_EQ(ReadWholeFile(folder.File("results.mrv")), content);
    EXPECT_EQ(FolderEntries(folder.Path()), Args{"results.mrv"});
  }
}

// ---------------------------------------------------------------------------
// File errors, the generation cap and the help text.

TEST(RunnerFileError, NamesTheFileAndTheSeriesNeverStops) {
  const std::pair<Args, std::string> cases[] = {
      {Words("--model haploid-local --final results.mrv --detail missing/run.gnr"),
       "Fichier introuvable\nmissing/run.gnr\n"},
      {WithFiles(Words("--model diploid-global --plot /dev/full")), "Disque plein\n/dev/full\n"},
  };
  for (const auto &[args, err] : cases) {
    ScratchFolder folder;
    const Outcome o = RunRunner(folder.Path(), args);
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.err, err);
    EXPECT_EQ(o.out, "");
    // The Final file got its header only.
    EXPECT_EQ(CrLfLines(ReadWholeFile(folder.File("results.mrv"))).size(), 1u);
  }
}

TEST(RunnerCap, EachRunEndsAfterAtMostNGenerations) {
  // A moving population and L = 0: runs that would never end; each
  // disturbance is one more run.
  ScratchFolder folder;
  const Outcome o = RunRunner(
      folder.Path(),
      WithFiles(Words("--model haploid-global --x 0.5 --d 0.9 --c 0.6 --i 3 --j 2 --W1A 0.9 "
                      "--W2A 0.4 --W1a 0.5 --W2a 0.8 --L 0 --p 0.3 --q 0.6 --DG 0.05 "
                      "--max-generations 5 --disturb p=0.8,q=0.2,DG=-0.02 "
                      "--disturb p=0.1,q=0.9,DG=0.005")));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> lines = LfLines(o.out);
  ASSERT_EQ(lines.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(TabFields(lines[k]).size(), 6u);
    EXPECT_EQ(TabFields(lines[k])[0], std::to_string(k + 1));
    EXPECT_EQ(TabFields(lines[k])[1], std::to_string(5 * (k + 1)));
  }
  EXPECT_EQ(o.err,
            "morvane-run: warning: run 1 ended after 5 generations without converging, at T=5\n"
            "morvane-run: warning: run 2 ended after 5 generations without converging, at T=10\n"
            "morvane-run: warning: run 3 ended after 5 generations without converging, at T=15\n");
  EXPECT_EQ(CrLfLines(ReadWholeFile(folder.File("run.gnr"))).size(), 17u);
  EXPECT_EQ(CrLfLines(ReadWholeFile(folder.File("PlotSexFile.plo"))).size(), 16u);

  // A run that converges before the cap is not reported.
  ScratchFolder quiet;
  const Outcome q = RunRunner(quiet.Path(), WithFiles(Words("--model clonal --max-generations 1")));
  EXPECT_EQ(q.exitCode, 0);
  EXPECT_EQ(q.err, "");
}

TEST(RunnerHelp, ExplainsEveryOption) {
  ScratchFolder folder;
  const Outcome o = RunRunner(folder.Path(), Words("--x 7 --help"));
  EXPECT_EQ(o.exitCode, 0);
  for (const std::string &option :
       Words("--model --final --detail --plot --x --d --c --i --j --W1A --W2A --W1a --W2a --L "
             "--trade-off --ess --p --q --DG --fAB --fAb --faB --fab --disturb "
             "--max-generations --help"))
    EXPECT_NE(o.out.find(option + " "), std::string::npos) << option;
  EXPECT_TRUE(FolderEntries(folder.Path()).empty());
}

} // namespace
} // namespace morvane
