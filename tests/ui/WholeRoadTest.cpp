// A whole series inside the program, for each model, as a user goes through
// it: the main window (files, option, Go), the input window (fields, Go),
// the run, the disturbance window (Disturb Equilibrium, new values, Go), the
// second run, Stop. The Detail, Plot and Final files it leaves are those of
// morvane-run given the same values and the same disturbance as a --disturb
// step: the windows and the runner are one program.
#include <QChartView>
#include <QRadioButton>
#include <QXYSeries>
#include <sstream>
#include <sys/stat.h>
#include <utility>

#include "FieldTestSupport.h"
#include "Startup.h"
#include "UMorvane1.h"
#include "app/Runner.h"
#include "app/RunnerOptions.h"

using namespace morvane;
using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

using Typed = std::vector<std::pair<const char *, const char *>>; // field, text with '.'

struct Road {
  const char *name;
  const char *runnerModel;
  const char *option;     // the main window's option
  Typed inputs;           // typed in the input window
  const char *tradeOff;   // the runner's --trade-off, or nullptr for none
  bool ess;               // the ESS button, pressed once the fields are typed
  const char *modeButton; // pressed after Disturb Equilibrium, or nullptr
  Typed disturbance;      // typed in the disturbance window
};

const Typed kSexualInputs = {{"TxtSoftProp", "0.8"}, {"TxtMigSurv", "0.9"}, {"TxtHabFreq", "0.6"},
                             {"TxtFreqA", "0.3"},    {"TxtBFreq", "0.2"},   {"Txti", "3"},
                             {"Txtj", "2"},          {"TxtDG", "0.01"},     {"TxtL", "0.0001"},
                             {"TxtW1A", "0.9"},      {"TxtSmalla", "0.6"},  {"TxtW2A", "0.5"},
                             {"TxtW2Smalla", "0.8"}};
// Under a trade-off W2(A) and W2(a) follow W1(A) and W1(a); under the ESS
// option W1(A) is computed too.
const Typed kEssInputs = {{"TxtSoftProp", "0.8"}, {"TxtMigSurv", "0.9"}, {"TxtHabFreq", "0.6"},
                          {"TxtFreqA", "0.3"},    {"TxtBFreq", "0.2"},   {"Txti", "3"},
                          {"Txtj", "2"},          {"TxtDG", "0.01"},     {"TxtL", "0.0001"},
                          {"TxtSmalla", "0.3"}};
Typed With(Typed typed, std::pair<const char *, const char *> more) {
  typed.push_back(more);
  return typed;
}
const Typed kTradeOffInputs = With(kEssInputs, {"TxtW1A", "0.8"});
// DG0 typed as the range text shows its upper bound, [-0.05..0.05], which
// lies a rounding error below 0.05.
const Typed kDGBoundInputs = {{"TxtSoftProp", "0.8"}, {"TxtMigSurv", "0.9"}, {"TxtHabFreq", "0.6"},
                              {"TxtFreqA", "0.9"},    {"TxtBFreq", "0.5"},   {"Txti", "3"},
                              {"Txtj", "2"},          {"TxtDG", "0.05"},     {"TxtL", "0.0001"},
                              {"TxtW1A", "0.9"},      {"TxtSmalla", "0.6"},  {"TxtW2A", "0.5"},
                              {"TxtW2Smalla", "0.8"}};
// The clone frequencies keep their initial texts, which sum to 1.
const Typed kClonalInputs = {{"TxtSoftProp", "0.5"}, {"TxtMigSurv", "0.9"}, {"TxtHabFreq", "0.6"},
                             {"Txti", "3"},          {"Txtj", "2"},         {"TxtL", "0.0001"},
                             {"TxtW1A", "0.9"},      {"TxtSmalla", "0.5"},  {"TxtW2A", "0.4"},
                             {"TxtW2Smalla", "0.8"}};

const Road kRoads[] = {
    {"HaploidLocal",
     "haploid-local",
     "RdBtnHaploLoc",
     kSexualInputs,
     nullptr,
     false,
     nullptr,
     {{"TxtNewp", "0.7"}, {"TxtNewq", "0.4"}, {"TxtNewDG", "-0.05"}}},
    {"HaploidGlobalLinearTradeOff",
     "haploid-global",
     "RdBtnHaploGlo",
     kTradeOffInputs,
     "linear",
     false,
     nullptr,
     {{"TxtNewp", "0.2"}, {"TxtNewq", "0.9"}, {"TxtNewDG", "0.01"}}},
    {"DiploidLocalNewDG",
     "diploid-local",
     "RBtnDiploLocal",
     kSexualInputs,
     nullptr,
     false,
     "BtnChangeDG",
     {{"TxtNewp", "0.6"}, {"TxtNewq", "0.3"}, {"TxtNewDG", "0.02"}}},
    {"DiploidGlobalNewFit",
     "diploid-global",
     "RBtnDiploGlob",
     kSexualInputs,
     nullptr,
     false,
     "BtnChangeFit",
     {{"TxtNewp", "0.4"}, {"TxtNewq", "0.7"}, {"TxtNewFit", "0.3"}}},
    {"Clonal",
     "clonal",
     "RdBtnClonal",
     kClonalInputs,
     nullptr,
     false,
     nullptr,
     {{"TxtNewX1", "0.4"}, {"TxtNewX2", "0.3"}, {"TxtNewX3", "0.2"}, {"TxtNewX4", "0.1"}}},
    // The survivals and DG0 that the windows compute or round for display
    // run as the fields show them, in the runner too.
    {"HaploidLocalConvexTradeOff",
     "haploid-local",
     "RdBtnHaploLoc",
     kTradeOffInputs,
     "convex",
     false,
     nullptr,
     {{"TxtNewp", "0.6"}, {"TxtNewq", "0.5"}, {"TxtNewDG", "0"}}},
    {"DiploidLocalConcaveTradeOff",
     "diploid-local",
     "RBtnDiploLocal",
     kTradeOffInputs,
     "concave",
     false,
     "BtnChangeDG",
     {{"TxtNewp", "0.5"}, {"TxtNewq", "0.5"}, {"TxtNewDG", "0.1"}}},
    {"DiploidGlobalEss",
     "diploid-global",
     "RBtnDiploGlob",
     kEssInputs,
     "linear",
     true,
     "BtnChangeFit",
     {{"TxtNewp", "0.4"}, {"TxtNewq", "0.7"}, {"TxtNewFit", "-0.2"}}},
    {"HaploidGlobalDGAtItsShownBound",
     "haploid-global",
     "RdBtnHaploGlo",
     kDGBoundInputs,
     nullptr,
     false,
     nullptr,
     {{"TxtNewp", "0.2"}, {"TxtNewq", "0.9"}, {"TxtNewDG", "0.02"}}},
};

// The trade-off button of the runner's --trade-off name.
const char *TradeOffButton(const char *tradeOff) {
  if (!tradeOff)
    return "BtnNoTrade";
  static const std::map<std::string, const char *> buttons = {
      {"linear", "BtnTradeLin"}, {"convex", "BtnConvexTrade"}, {"concave", "BtnConcaveTrade"}};
  return buttons.at(tradeOff);
}

// The runner's name of an input window's field.
const char *OptionOf(const std::string &field) {
  static const std::map<std::string, const char *> names = {
      {"TxtSoftProp", "--x"},  {"TxtMigSurv", "--d"}, {"TxtHabFreq", "--c"},  {"TxtFreqA", "--p"},
      {"TxtBFreq", "--q"},     {"Txti", "--i"},       {"Txtj", "--j"},        {"TxtDG", "--DG"},
      {"TxtL", "--L"},         {"TxtW1A", "--W1A"},   {"TxtSmalla", "--W1a"}, {"TxtW2A", "--W2A"},
      {"TxtW2Smalla", "--W2a"}};
  return names.at(field);
}

class WholeRoadTest : public ProgramTest {
protected:
  // A text typed with '.' as the user types it in the locale under test.
  void Type(MorvaneForm *w, const Typed &typed) {
    for (const auto &[field, text] : typed)
      Leave(Field(w, field), L(text));
    ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
  }
  // What a Go left in the message boxes: the counters, over the window.
  QString Counters(MorvaneForm *disturb) {
    EXPECT_TRUE(disturb->isVisible());
    EXPECT_EQ(messages.texts.size(), 1) << messages.texts.join("|").toStdString();
    const QString text = messages.texts.value(0);
    messages.texts.clear();
    Activate(disturb);
    return text;
  }
};

TEST_P(WholeRoadTest, EveryModelWritesTheFilesOfTheRunner) {
  for (const Road &road : kRoads) {
    SCOPED_TRACE(road.name);
    const bool clonal = std::string(road.runnerModel) == "clonal";
    const std::string plot = clonal ? "PlotCloneFile.plo" : "PlotSexFile.plo";
    QFile::remove("series.mrv");
    QFile::remove("runner/series.mrv");

    // Main window: the two files, the model, Go.
    MorvaneForm *input = Launch(road.option, "series.gnr", clonal ? "FrmClonImput" : "FrmSexImput");
    ASSERT_NE(input, nullptr);
    Button(input, TradeOffButton(road.tradeOff))->click();
    Type(input, road.inputs);
    if (road.ess)
      Button(input, "BtnESS")->click();
    QTest::mouseClick(Button(input, clonal ? "BtnGoClon" : "BtnGoSex"), Qt::LeftButton);

    // The first run ends in the disturbance window of the model.
    MorvaneForm *disturb = FindForm(clonal                       ? "FrmPerturbClone"
                                    : road.runnerModel[0] == 'h' ? "FrmPerturb1N"
                                                                 : "FrmPerturb2N");
    ASSERT_NE(disturb, nullptr);
    const QString first = Counters(disturb);
    Button(disturb, disturb->objectName() == "FrmPerturb2N" ? "BtnPerturb2N" : "BtnPerturb")
        ->click();
    if (road.modeButton)
      Button(disturb, road.modeButton)->click();
    Type(disturb, road.disturbance);
    std::string step;
    for (const QString &name : clonal ? QStringList{"TxtNewX1", "TxtNewX2", "TxtNewX3", "TxtNewX4"}
                                      : QStringList{"TxtNewp", "TxtNewq"}) {
      // The runner is given the texts that Go reads.
      static const std::map<QString, const char *> keys = {{"TxtNewX1", "fAB"}, {"TxtNewX2", "fAb"},
                                                           {"TxtNewX3", "faB"}, {"TxtNewX4", "fab"},
                                                           {"TxtNewp", "p"},    {"TxtNewq", "q"}};
      step += std::string(step.empty() ? "" : ",") + keys.at(name) + "=" +
              Field(disturb, name.toLatin1().constData())->text().replace(',', '.').toStdString();
    }
    if (!clonal)
      step += std::string(",") +
              (road.modeButton && std::string(road.modeButton) == "BtnChangeFit" ? "Fit=" : "DG=") +
              road.disturbance.back().second;
    Button(disturb, clonal                                    ? "BtnGoPertClon"
                    : disturb->objectName() == "FrmPerturb2N" ? "BtnGoPert2N"
                                                              : "BtnGoPert1N")
        ->click();
    const QString second = Counters(disturb);
    Button(disturb, "BtnExit")->click();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    EXPECT_FALSE(disturb->isVisible());
    // The plot window of the model draws the whole series just stopped.
    EXPECT_EQ(Sim.PlotRows, Sim.Generation);
    MorvaneForm *plotWindow = FindForm(clonal ? "FrmPlotVeg" : "FrmPlotSex");
    ASSERT_TRUE(plotWindow && plotWindow->isVisible());
    for (QChartView *chart : plotWindow->findChildren<QChartView *>())
      for (QAbstractSeries *line : chart->chart()->series())
        EXPECT_EQ(static_cast<QXYSeries *>(line)->count(), static_cast<int>(Sim.PlotRows + 1));
    plotWindow->CloseForm();
    input->CloseForm();
    Activate(main);

    // morvane-run with the same values, in a folder of its own.
    std::vector<std::string> args = {
        "--model",    road.runnerModel, "--final", "series.mrv", "--detail",
        "series.gnr", "--plot",         plot,      "--disturb",  step};
    for (const auto &[field, text] : road.inputs)
      args.insert(args.end(), {OptionOf(field), text});
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
