// A whole series inside the program, for each model, as a user goes through
// it: the main window (files, option, Go), the input window (fields, Go),
// the run, the disturbance window (Disturb Equilibrium, new values, Go), the
// second run, Stop. The Detail, Plot and Final files it leaves are those of
// morvane-run given the same values and the same disturbance as a --disturb
// step: the windows and the runner are one program.
#include <QChartView>
#include <QXYSeries>
#include <sstream>

#include "FieldTestSupport.h"
#include "runner/Runner.h"
#include "runner/RunnerOptions.h"

using namespace morvane;
using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

// Values are written as the runner's options, with '.': "x=0.8 d=0.9 ..." for
// the input window, "p=0.7,q=0.4,DG=-0.05" for the disturbance.
struct Road {
  const char *name;
  const char *model;       // the runner's --model
  const char *option;      // the main window's option
  std::string inputs;      // typed in the input window
  const char *tradeOff;    // the runner's --trade-off, or nullptr for none
  bool ess;                // the ESS button, pressed once the fields are typed
  const char *disturbance; // typed in the disturbance window after its mode button
};

const std::string kSexual = "x=0.8 d=0.9 c=0.6 p=0.3 q=0.2 i=3 j=2 DG=0.01 L=0.0001 ";
const std::string kSurvivals = "W1A=0.9 W1a=0.6 W2A=0.5 W2a=0.8";
// Under a trade-off W2(A) and W2(a) follow W1(A) and W1(a); under the ESS
// option W1(A) is computed too.
const std::string kEss = kSexual + "W1a=0.3";
const std::string kTradeOff = kEss + " W1A=0.8";

const Road kRoads[] = {
    {"HaploidLocal", "haploid-local", "RdBtnHaploLoc", kSexual + kSurvivals, nullptr, false,
     "p=0.7,q=0.4,DG=-0.05"},
    {"HaploidGlobalLinearTradeOff", "haploid-global", "RdBtnHaploGlo", kTradeOff, "linear", false,
     "p=0.2,q=0.9,DG=0.01"},
    {"DiploidLocalNewDG", "diploid-local", "RBtnDiploLocal", kSexual + kSurvivals, nullptr, false,
     "p=0.6,q=0.3,DG=0.02"},
    {"DiploidGlobalNewFit", "diploid-global", "RBtnDiploGlob", kSexual + kSurvivals, nullptr, false,
     "p=0.4,q=0.7,Fit=0.3"},
    // The clone frequencies keep their initial texts, which sum to 1.
    {"Clonal", "clonal", "RdBtnClonal",
     "x=0.5 d=0.9 c=0.6 i=3 j=2 L=0.0001 W1A=0.9 W1a=0.5 W2A=0.4 W2a=0.8", nullptr, false,
     "fAB=0.4,fAb=0.3,faB=0.2,fab=0.1"},
    // Clone frequencies typed in order: each exit divides them by their sum,
    // and Go runs the 15 digits the fields then show, whose sum is 1 only
    // within their rounding. The runner given those four runs them as given.
    {"ClonalTypedNotSummingToOne", "clonal", "RdBtnClonal",
     "x=0.5 d=0.9 c=0.6 i=3 j=2 L=0.0001 W1A=0.9 W1a=0.5 W2A=0.4 W2a=0.8 "
     "fAB=0.5 fab=0.5",
     nullptr, false, "fAB=0.1,fAb=0.2,faB=0.3,fab=0.4"},
    {"ClonalFourTypedThatSumToOne", "clonal", "RdBtnClonal",
     "x=0.5 d=0.9 c=0.6 i=3 j=2 L=0.0001 W1A=0.9 W1a=0.5 W2A=0.4 W2a=0.8 "
     "fAB=0.25 fAb=0.25 faB=0.25 fab=0.25",
     nullptr, false, "fAB=0.7,fAb=0.1,faB=0.1,fab=0.1"},
    {"ClonalTypedInThirds", "clonal", "RdBtnClonal",
     "x=0.5 d=0.9 c=0.6 i=3 j=2 L=0.0001 W1A=0.9 W1a=0.5 W2A=0.4 W2a=0.8 "
     "faB=1 fAB=0.3 fab=0.1",
     nullptr, false, "fAB=1,fAb=1,faB=1,fab=0"},
    // The survivals and DG0 that the windows compute or round for display
    // run as the fields show them, in the runner too.
    {"HaploidLocalConvexTradeOff", "haploid-local", "RdBtnHaploLoc", kTradeOff, "convex", false,
     "p=0.6,q=0.5,DG=0"},
    {"DiploidLocalConcaveTradeOff", "diploid-local", "RBtnDiploLocal", kTradeOff, "concave", false,
     "p=0.5,q=0.5,DG=0.1"},
    {"DiploidGlobalEss", "diploid-global", "RBtnDiploGlob", kEss, "linear", true,
     "p=0.4,q=0.7,Fit=-0.2"},
    // DG0 typed as the range text shows its upper bound, [-0.05..0.05], which
    // lies a rounding error below 0.05.
    {"HaploidGlobalDGAtItsShownBound", "haploid-global", "RdBtnHaploGlo",
     "x=0.8 d=0.9 c=0.6 p=0.9 q=0.5 i=3 j=2 DG=0.05 L=0.0001 " + kSurvivals, nullptr, false,
     "p=0.2,q=0.9,DG=0.02"},
};

// The disturbance window's field of a key of --disturb.
QString DisturbanceField(const QString &key) {
  const int clone = QStringList{"fAB", "fAb", "faB", "fab"}.indexOf(key);
  return clone < 0 ? "TxtNew" + key : QString("TxtNewX%1").arg(clone + 1);
}

class WholeRoadTest : public ProgramTest {
protected:
  // Each "key=text" of `typed`, split at `separator`, typed into its field.
  template <typename FieldOf>
  void Type(MorvaneForm *w, const QString &typed, char separator, FieldOf fieldOf) {
    for (const QString &entry : typed.split(separator, Qt::SkipEmptyParts))
      Leave(Field(w, qPrintable(fieldOf(entry.section('=', 0, 0)))), L(entry.section('=', 1)));
    ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  }
  // What a Go left in the message boxes: the counters, over the window.
  QString Counters(MorvaneForm *disturb) {
    EXPECT_TRUE(disturb->isVisible());
    EXPECT_EQ(messages.texts.size(), 1) << messages.texts.join("|").toStdString();
    const QString text = messages.texts.value(0);
    messages.texts.clear();
    Activate(disturb);
    return text.section('\n', 0, 0); // the counters (what the state is follows)
  }
};

TEST_P(WholeRoadTest, EveryModelWritesTheFilesOfTheRunner) {
  for (const Road &road : kRoads) {
    SCOPED_TRACE(road.name);
    const bool clonal = std::string(road.model) == "clonal";
    const bool diploid = road.model[0] == 'd';
    const std::string plot = clonal ? "PlotCloneFile.plo" : "PlotSexFile.plo";
    QFile::remove("series.mrv");
    QFile::remove("runner/series.mrv");

    // Main window: the two files, the model, Go; the input window.
    MorvaneForm *input = Launch(road.option, "series.gnr", clonal ? "FrmClonImput" : "FrmSexImput");
    ASSERT_NE(input, nullptr);
    static const std::map<std::string, const char *> tradeOffs = {{"", "BtnNoTrade"},
                                                                  {"linear", "BtnTradeLin"},
                                                                  {"convex", "BtnConvexTrade"},
                                                                  {"concave", "BtnConcaveTrade"}};
    Button(input, tradeOffs.at(road.tradeOff ? road.tradeOff : ""))->click();
    Type(input, QString::fromStdString(road.inputs), ' ',
         [](const QString &key) { return QString(InputField(key.toStdString())); });
    if (road.ess)
      Button(input, "BtnESS")->click();
    // The clone frequencies the runner is given: those the fields show at Go.
    std::string clones;
    for (const char *key : {"fAB", "fAb", "faB", "fab"})
      if (clonal)
        clones += std::string(" ") + key + "=" +
                  Field(input, InputField(key))->text().replace(',', '.').toStdString();
    QTest::mouseClick(Button(input, clonal ? "BtnGoClon" : "BtnGoSex"), Qt::LeftButton);

    // The first run ends in the disturbance window of the model.
    MorvaneForm *disturb = FindForm(clonal    ? "FrmPerturbClone"
                                    : diploid ? "FrmPerturb2N"
                                              : "FrmPerturb1N");
    ASSERT_NE(disturb, nullptr);
    const QString first = Counters(disturb);
    Button(disturb, diploid ? "BtnPerturb2N" : "BtnPerturb")->click();
    if (diploid)
      Button(disturb, QString(road.disturbance).contains("Fit=") ? "BtnChangeFit" : "BtnChangeDG")
          ->click();
    Type(disturb, road.disturbance, ',', DisturbanceField);
    // The runner is given the texts that Go reads (the clones' exits apply
    // the sum rule to the other fields).
    QString step;
    for (const QString &entry : QString(road.disturbance).split(',')) {
      const QString key = entry.section('=', 0, 0);
      step += (step.isEmpty() ? "" : ",") + key + "=" +
              Field(disturb, qPrintable(DisturbanceField(key)))->text().replace(',', '.');
    }
    Button(disturb, clonal ? "BtnGoPertClon" : diploid ? "BtnGoPert2N" : "BtnGoPert1N")->click();
    const QString second = Counters(disturb);
    Button(disturb, "BtnExit")->click();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    EXPECT_FALSE(disturb->isVisible());
    // The plot window of the model draws the whole series just stopped.
    EXPECT_EQ(Sim().PlotRows, Sim().Generation);
    MorvaneForm *plotWindow = FindForm(clonal ? "FrmPlotVeg" : "FrmPlotSex");
    ASSERT_TRUE(plotWindow && plotWindow->isVisible());
    // Each rerun adds the point it started from, and its mark.
    const int reruns = static_cast<int>(Sim().RerunStarts.size());
    EXPECT_EQ(reruns, Sim().CompletedRuns - 1);
    for (QChartView *chart : plotWindow->findChildren<QChartView *>())
      for (QAbstractSeries *line : chart->chart()->series())
        EXPECT_EQ(
            static_cast<QXYSeries *>(line)->count(),
            line->objectName() == "RerunStart" ? 2 : static_cast<int>(Sim().PlotRows + 1) + reruns);
    plotWindow->CloseForm();
    input->CloseForm();
    Activate(main);

    // morvane-run with the same values, in a folder of its own.
    std::vector<std::string> args = {"--model",   road.model,        "--final", "series.mrv",
                                     "--detail",  "series.gnr",      "--plot",  plot,
                                     "--disturb", step.toStdString()};
    // The clone frequencies are given as the fields show them at Go.
    std::istringstream typed(road.inputs), shown(clones);
    for (std::string entry; typed >> entry;)
      if (!clonal || entry[0] != 'f')
        args.insert(args.end(),
                    {"--" + entry.substr(0, entry.find('=')), entry.substr(entry.find('=') + 1)});
    for (std::string entry; shown >> entry;)
      args.insert(args.end(),
                  {"--" + entry.substr(0, entry.find('=')), entry.substr(entry.find('=') + 1)});
    if (road.tradeOff)
      args.insert(args.end(), {"--trade-off", road.tradeOff});
    if (road.ess)
      args.push_back("--ess");
    QDir().mkpath("runner");
    QDir::setCurrent("runner");
    SimState runner;
    std::ostringstream out, err;
    RunSeries(ParseRunnerOptions(args), runner, out, err);
    QDir::setCurrent("..");
    EXPECT_EQ(err.str(), "");
    std::istringstream lines(out.str());
    std::string run1, run2;
    std::getline(lines, run1);
    std::getline(lines, run2);
    EXPECT_EQ(first.toStdString(), "Completed runs=1; T=" + run1.substr(2, run1.find('\t', 2) - 2));
    EXPECT_EQ(second.toStdString(),
              "Completed runs=2; T=" + run2.substr(2, run2.find('\t', 2) - 2));
    for (const std::string &name : {std::string("series.mrv"), std::string("series.gnr"), plot}) {
      const QString mine = QString::fromStdString(name);
      EXPECT_EQ(ReadAll(mine), ReadAll("runner/" + mine)) << name;
    }
    EXPECT_GT(runner.Generation, 2u);
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, WholeRoadTest, ::testing::Values('.', ','), SeparatorName);

} // namespace
