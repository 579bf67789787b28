// The main window: its stored layout, the Reset / Final chosen / Ready /
// Model chosen states, the two files, the options, Go and Quit.
#include <QMenu>
#include <QMenuBar>

#include "FieldTestSupport.h"
#include "files/FinalFile.h"
#include "files/TextFile.h"
#include "support/SeriesFilesSupport.h"

using morvane::ui::Sim;
using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

// A window that the main window opens, standing in for the real one.
class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    TfrmMorvane::SetQuitProgram([this] { ++quits; });
    window = std::make_unique<TfrmMorvane>();
    window->ShowForm();
  }
  void TearDown() override {
    window.reset();
    TfrmMorvane::SetQuitProgram(nullptr);
  }
  template <class T> T *Get(const char *name) {
    T *w = window->findChild<T *>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QPushButton *Button(const char *name) { return Get<QPushButton>(name); }
  QRadioButton *Option(const char *name) { return Get<QRadioButton>(name); }
  QLineEdit *Field(const char *name) { return Get<QLineEdit>(name); }
  QString Path(const QString &name) const { return folder.File(name); }

  // Goes to Ready with a new Final file and a Detail file.
  void ChooseFiles(const QString &final = "results.mrv", const QString &detail = "trace.gnr") {
    dialogs.answers << Path(final);
    Button("BtnChooseFin")->click();
    dialogs.answers << Path(detail);
    Button("BtnDetail")->click();
  }
  // The controls that the states tell apart, and those of them enabled.
  static QStringList AllControls() {
    return {"BtnChooseFin",  "BtnDetail",      "BtnLaunch",     "BtnQuit",
            "RBtnDiploGlob", "RBtnDiploLocal", "RdBtnHaploGlo", "RdBtnHaploLoc",
            "RdBtnClonal",   "RdBtnPlot",      "RdBtnQuit"};
  }
  QStringList EnabledControls() {
    QStringList names;
    for (const QString &n : AllControls())
      if (Get<QWidget>(qPrintable(n))->isEnabled())
        names << n;
    return names;
  }

  ScratchCurrentFolder folder;
  RecordingMessages messages;
  ScriptedFileDialogs dialogs;
  RecordingHelp help;
  int quits = 0;
  std::unique_ptr<TfrmMorvane> window;
};

TEST(MainWindowLayout, ControlsAndEnabledStatesAsStored) {
  TfrmMorvane w;
  EXPECT_EQ(w.objectName(), "frmMorvane");
  ExpectEnabled(&w, "BtnChooseFin BtnQuit", true);
  ExpectEnabled(&w, "BtnLaunch BtnDetail TxtFinal TxtDetail", false);
  for (const char *name : {"RBtnDiploLocal", "RBtnDiploGlob", "RdBtnHaploLoc", "RdBtnHaploGlo",
                           "RdBtnClonal", "RdBtnPlot", "RdBtnQuit"}) {
    auto *o = w.findChild<QRadioButton *>(name);
    ASSERT_NE(o, nullptr) << name;
    EXPECT_FALSE(o->isEnabled()) << name;
    // Siblings, so that selecting one deselects the others.
    EXPECT_EQ(o->parentWidget()->objectName(), "RGrpMenu");
  }
  for (const char *name : {"TxtFinal", "TxtDetail"})
    EXPECT_TRUE(Field(&w, name)->text().isEmpty());
  // The Help menu and its two items.
  auto *menu = w.findChild<QMenu *>("Help1");
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 2);
  EXPECT_EQ(menu->actions()[0]->objectName(), "Usersguide1");
  EXPECT_EQ(menu->actions()[1]->objectName(), "AboutMorvane1");
  // Tab order of the focusable controls: the window from top to bottom.
  const QStringList tabOrder = {"BtnChooseFin",  "TxtFinal",       "BtnDetail",     "TxtDetail",
                                "RBtnDiploGlob", "RBtnDiploLocal", "RdBtnHaploGlo", "RdBtnHaploLoc",
                                "RdBtnClonal",   "RdBtnPlot",      "RdBtnQuit",     "BtnLaunch",
                                "BtnQuit"};
  QStringList chain;
  QWidget *start = w.findChild<QWidget *>("BtnChooseFin");
  QWidget *next = start;
  do {
    if (tabOrder.contains(next->objectName()))
      chain << next->objectName();
    next = next->nextInFocusChain();
  } while (next != start && chain.size() < tabOrder.size());
  EXPECT_EQ(chain, tabOrder);
}

TEST_F(MainWindowTest, StartsInResetWithTheQuitOptionSelected) {
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->isMaximized());
  EXPECT_EQ(EnabledControls(), QStringList({"BtnChooseFin", "BtnQuit", "RdBtnPlot"}));
  EXPECT_TRUE(Field("TxtFinal")->text().isEmpty());
  EXPECT_TRUE(Field("TxtDetail")->text().isEmpty());
  EXPECT_TRUE(Option("RdBtnQuit")->isChecked());
  EXPECT_TRUE(Sim().ModeQuit);
  EXPECT_FALSE(Sim().ModeHaploLocal || Sim().ModeDiploGlobal || Sim().ModePlot);
  EXPECT_EQ(window->palette().color(QPalette::Window), QColor(0, 255, 255));
}

TEST_F(MainWindowTest, CancelledFinalDialogShowsNoneAndChangesNothing) {
  Button("BtnChooseFin")->click();
  ASSERT_EQ(dialogs.opens.size(), 1u);
  EXPECT_EQ(dialogs.opens[0].current, "");
  EXPECT_EQ(dialogs.opens[0].defaultSuffix, "mrv");
  EXPECT_EQ(dialogs.opens[0].filterName, "mrv");
  EXPECT_EQ(dialogs.opens[0].pattern, "*.mrv");
  EXPECT_EQ(Field("TxtFinal")->text(), "None");
  EXPECT_EQ(EnabledControls(), QStringList({"BtnChooseFin", "BtnQuit", "RdBtnPlot"}));
  EXPECT_TRUE(Sim().FinalFileName.empty());
  EXPECT_TRUE(QDir().entryList(QDir::Files).isEmpty());
}

TEST_F(MainWindowTest, NewFinalFileGetsTheHeaderAndExistingOneIsLeftAlone) {
  dialogs.answers << Path("new.mrv");
  Button("BtnChooseFin")->click();
  EXPECT_EQ(ReadAll(Path("new.mrv")), morvane::FinalHeaderLine());
  EXPECT_EQ(Field("TxtFinal")->text(), Path("new.mrv"));
  EXPECT_EQ(Sim().FinalFileName, Path("new.mrv").toStdString());
  EXPECT_EQ(Sim().FinalFile.Name, Sim().FinalFileName);
  EXPECT_EQ(EnabledControls(), QStringList({"BtnChooseFin", "BtnDetail", "BtnQuit", "RdBtnPlot"}));

  const char *old = "not a final file at all\n";
  WriteAll(Path("old.mrv"), old);
  dialogs.answers << Path("old.mrv");
  messages.scriptedAnswers = {0};
  Button("BtnChooseFin")->click();
  EXPECT_EQ(ReadAll(Path("old.mrv")), old);
  EXPECT_EQ(Sim().FinalFileName, Path("old.mrv").toStdString());
  // A cancelled dialog now holds that name: the same file is accepted again.
  Button("BtnChooseFin")->click();
  EXPECT_EQ(dialogs.opens.back().current, Path("old.mrv"));
  EXPECT_EQ(Field("TxtFinal")->text(), Path("old.mrv"));
  EXPECT_EQ(ReadAll(Path("old.mrv")), old);
}

// A file that holds anything is emptied as the Detail file, or given records
// as the Final file when it is not one, only once the user agreed; the
// question says what it holds. New and empty files, and Final files as the
// Final file, are taken without a question.
TEST_F(MainWindowTest, FilesThatHoldSomethingAreTakenOnlyOnceTheUserAgreed) {
  using namespace morvane::testing;
  const std::string detail = DetailSeriesText(SeriesState("Haploid", "Sexual", 1), 3) +
                             DetailSeriesText(SeriesState("Diploid", "Sexual", 2), 2);
  const std::string final = morvane::FinalHeaderLine() +
                            morvane::FinalRecordLine(morvane::SimState{}, false) +
                            morvane::FinalRecordLine(morvane::SimState{}, true);
  const QString emptied = "Choosing it as the Detail file empties it.";
  const QString appended = "The records of the series will be appended to it.";
  struct Case {
    const char *button;
    std::string content;
    int answer; // 0 agrees, 1 cancels
    QString question;
  };
  const Case cases[] = {
      {"BtnDetail", detail, 0, " holds a Detail file with 2 series.\n" + emptied},
      {"BtnDetail", final, 1, " holds a Final file with 2 records.\n" + emptied},
      {"BtnDetail", "abc", 0, " holds a file of 3 bytes.\n" + emptied},
      {"BtnDetail", "", 0, ""},
      {"BtnChooseFin", detail, 0,
       " is not a Final file: it holds a Detail file with 2 series.\n" + appended},
      {"BtnChooseFin", "abc", 1, " is not a Final file: it holds a file of 3 bytes.\n" + appended},
      {"BtnChooseFin", final, 1, ""},
  };
  ChooseFiles();
  QString inForce[] = {Path("trace.gnr"), Path("results.mrv")};
  int n = 0;
  for (const Case &c : cases) {
    const QString name =
        Path(QString("case%1.%2").arg(++n).arg(c.button[3] == 'D' ? "gnr" : "mrv"));
    SCOPED_TRACE(name.toStdString());
    WriteAll(name, QByteArray::fromStdString(c.content));
    messages.questions.clear();
    messages.scriptedAnswers = {c.answer};
    dialogs.answers << name;
    Button(c.button)->click();
    EXPECT_EQ(messages.questions,
              c.question.isEmpty() ? QStringList{} : QStringList{name + c.question});
    const bool taken = c.question.isEmpty() || c.answer == 0;
    const bool detailFile = c.button[3] == 'D';
    QString &expected = inForce[detailFile ? 0 : 1];
    if (taken)
      expected = name;
    EXPECT_EQ(detailFile ? Sim().DetailFileName : Sim().FinalFileName, expected.toStdString());
    EXPECT_EQ(Field(detailFile ? "TxtDetail" : "TxtFinal")->text(), expected);
    EXPECT_EQ(ReadAll(name), detailFile && taken ? "" : c.content);
  }
}

TEST_F(MainWindowTest, DetailFileIsEmptiedAndLeadsToReady) {
  WriteAll(Path("trace.gnr"), "earlier lines\r\n");
  messages.scriptedAnswers = {0};
  ChooseFiles();
  ASSERT_EQ(dialogs.saves.size(), 1u);
  EXPECT_EQ(dialogs.saves[0].defaultSuffix, "gnr");
  EXPECT_EQ(dialogs.saves[0].pattern, "*.gnr");
  EXPECT_TRUE(ReadAll(Path("trace.gnr")).empty());
  EXPECT_EQ(Field("TxtDetail")->text(), Path("trace.gnr"));
  EXPECT_EQ(Sim().DetailFileName, Path("trace.gnr").toStdString());
  EXPECT_EQ(Sim().DetailFile.Name, Sim().DetailFileName);
  EXPECT_EQ(EnabledControls(), AllControls());
  EXPECT_TRUE(Option("RdBtnQuit")->isChecked());
  EXPECT_TRUE(Sim().ModeQuit);
}

TEST_F(MainWindowTest, LaterCancelledDialogsReuseTheirNames) {
  ChooseFiles();
  Option("RdBtnHaploLoc")->setChecked(true);
  EXPECT_FALSE(Option("RdBtnQuit")->isChecked());
  WriteAll(Path("trace.gnr"), "a generation line\r\n");
  // Cancelled: the dialog still holds trace.gnr, which is emptied again once
  // the user agreed, and the window is back in Ready.
  messages.scriptedAnswers = {0};
  Button("BtnDetail")->click();
  EXPECT_TRUE(ReadAll(Path("trace.gnr")).empty());
  EXPECT_TRUE(Option("RdBtnQuit")->isChecked());
  EXPECT_FALSE(Option("RdBtnHaploLoc")->isChecked());
  EXPECT_TRUE(Sim().ModeQuit);
  // A cancelled Final dialog opens the same Final file again and changes nothing.
  Button("BtnChooseFin")->click();
  EXPECT_EQ(ReadAll(Path("results.mrv")), morvane::FinalHeaderLine());
  EXPECT_EQ(EnabledControls(), AllControls());
}

TEST_F(MainWindowTest, GoRightAfterTheFilesLeavesTheProgram) {
  ChooseFiles();
  Button("BtnLaunch")->click();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_EQ(messages.texts[0], QString("You are about to leave the program Morvane\n\n") +
                                   QString(15, ' ') + "Merci de votre visite");
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(help.requests, QStringList({"close"}));
}

TEST_F(MainWindowTest, OptionsSetTheModeFlagsPloidyAndReproduction) {
  ChooseFiles();
  struct Case {
    const char *option;
    bool morvane::SimState::*flag;
    const char *ploidy;
    const char *reproduction;
  };
  const Case cases[] = {
      {"RBtnDiploGlob", &morvane::SimState::ModeDiploGlobal, "Diploid", "Global"},
      {"RBtnDiploLocal", &morvane::SimState::ModeDiploLocal, "Diploid", "Local"},
      {"RdBtnHaploGlo", &morvane::SimState::ModeHaploGlobal, "Haploid", "Global"},
      {"RdBtnHaploLoc", &morvane::SimState::ModeHaploLocal, "Haploid", "Local"},
      {"RdBtnClonal", &morvane::SimState::ModeClonal, "Haploid", "Clonal"},
  };
  bool morvane::SimState::*const all[] = {
      &morvane::SimState::ModeDiploGlobal, &morvane::SimState::ModeDiploLocal,
      &morvane::SimState::ModeHaploGlobal, &morvane::SimState::ModeHaploLocal,
      &morvane::SimState::ModeClonal,      &morvane::SimState::ModePlot,
      &morvane::SimState::ModeQuit};
  for (const Case &c : cases) {
    Option(c.option)->setChecked(true);
    for (auto flag : all)
      EXPECT_EQ(Sim().*flag, flag == c.flag) << c.option;
    EXPECT_EQ(Sim().Ploidy, c.ploidy);
    EXPECT_EQ(Sim().Reproduction, c.reproduction);
  }
  // Plotting keeps the model's ploidy and reproduction.
  Option("RdBtnPlot")->setChecked(true);
  EXPECT_TRUE(Sim().ModePlot);
  EXPECT_FALSE(Sim().ModeClonal);
  EXPECT_EQ(Sim().Ploidy, "Haploid");
  EXPECT_EQ(Sim().Reproduction, "Clonal");
  // Quit only adds its flag, and Go then quits.
  Option("RdBtnHaploLoc")->setChecked(true);
  Option("RdBtnQuit")->setChecked(true);
  EXPECT_TRUE(Sim().ModeQuit);
  EXPECT_TRUE(Sim().ModeHaploLocal);
  Button("BtnLaunch")->click();
  EXPECT_EQ(quits, 1);
}

TEST_F(MainWindowTest, GoOpensTheWindowOfTheChosenModel) {
  StandIn sex("FrmSexImput"), clon("FrmClonImput"), plot("FrmPlotMenu");
  ChooseFiles();
  Option("RBtnDiploLocal")->setChecked(true);
  Button("BtnLaunch")->click();
  EXPECT_TRUE(sex.isVisible());
  EXPECT_EQ(sex.activations, 1);
  EXPECT_FALSE(clon.isVisible() || plot.isVisible());
  EXPECT_TRUE(window->isVisible());
  // Back in the main window: the model's window is left open behind it.
  for (auto [option, opened] : {std::pair{"RdBtnClonal", &clon}, {"RdBtnPlot", &plot}}) {
    window->ShowForm();
    ChooseFiles();
    Option(option)->setChecked(true);
    Button("BtnLaunch")->click();
    EXPECT_TRUE(opened->isVisible()) << option;
  }
  // The plot menu needs no result files: plotting writes nothing.
  plot.CloseForm();
  window->ShowForm();
  EXPECT_TRUE(Field("TxtDetail")->text().isEmpty());
  EXPECT_EQ(EnabledControls(), QStringList({"BtnChooseFin", "BtnLaunch", "BtnQuit", "RdBtnPlot"}));
  Button("BtnLaunch")->click();
  EXPECT_TRUE(plot.isVisible());
  EXPECT_EQ(quits, 0);
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(MainWindowTest, ComingBackResetsTheWindowButKeepsTheSelection) {
  StandIn sex("FrmSexImput");
  ChooseFiles();
  Option("RdBtnHaploGlo")->setChecked(true);
  Button("BtnLaunch")->click();
  ASSERT_TRUE(sex.isVisible());
  // "&Back" of the input window.
  sex.CloseForm();
  window->ShowForm();
  EXPECT_EQ(EnabledControls(), QStringList({"BtnChooseFin", "BtnQuit", "RdBtnPlot"}));
  EXPECT_TRUE(Field("TxtFinal")->text().isEmpty());
  EXPECT_TRUE(Field("TxtDetail")->text().isEmpty());
  EXPECT_TRUE(Option("RdBtnHaploGlo")->isChecked());
  EXPECT_TRUE(Sim().ModeHaploGlobal);
  EXPECT_EQ(Sim().FinalFileName, Path("results.mrv").toStdString());
  // The dialogs open with empty names again.
  Button("BtnChooseFin")->click();
  EXPECT_EQ(dialogs.opens.back().current, "");
  EXPECT_EQ(Field("TxtFinal")->text(), "None");
}

TEST_F(MainWindowTest, DetailFileThatIsTheFinalFileIsRefused) {
  dialogs.answers << Path("results.mrv");
  Button("BtnChooseFin")->click();
  const std::string final = morvane::FinalHeaderLine();
  ASSERT_EQ(ReadAll(Path("results.mrv")), final);
  // The same file under another spelling of its path.
  ASSERT_TRUE(QDir().mkdir("sub"));
  dialogs.answers << Path("sub/../results.mrv");
  Button("BtnDetail")->click();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].contains("cannot be the Final file"));
  EXPECT_EQ(ReadAll(Path("results.mrv")), final);
  EXPECT_EQ(Field("TxtDetail")->text(), "None");
  EXPECT_TRUE(Sim().DetailFileName.empty());
  EXPECT_EQ(EnabledControls(), QStringList({"BtnChooseFin", "BtnDetail", "BtnQuit", "RdBtnPlot"}));
  // The next, cancelled dialog does not offer that name again.
  Button("BtnDetail")->click();
  EXPECT_EQ(dialogs.saves.back().current, "");
  // Another name is accepted.
  dialogs.answers << Path("trace.gnr");
  Button("BtnDetail")->click();
  EXPECT_EQ(EnabledControls(), AllControls());
  EXPECT_EQ(ReadAll(Path("results.mrv")), final);
}

TEST_F(MainWindowTest, PlotFilesAreRefusedAsResultFiles) {
  // The input windows empty these files each time they open.
  dialogs.answers << Path("PlotSexFile.plo");
  Button("BtnChooseFin")->click();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].contains("cannot be a plot file"));
  EXPECT_EQ(Field("TxtFinal")->text(), "None");
  EXPECT_TRUE(Sim().FinalFileName.empty());
  EXPECT_FALSE(QFile::exists(Path("PlotSexFile.plo")));
  EXPECT_EQ(EnabledControls(), QStringList({"BtnChooseFin", "BtnQuit", "RdBtnPlot"}));

  dialogs.answers << Path("results.mrv");
  Button("BtnChooseFin")->click();
  WriteAll(Path("PlotCloneFile.plo"), "0\t0.000\t0.500\t0.000\t0.50\r\n");
  dialogs.answers << "PlotCloneFile.plo";
  Button("BtnDetail")->click();
  ASSERT_EQ(messages.texts.size(), 2);
  EXPECT_EQ(Field("TxtDetail")->text(), "None");
  EXPECT_EQ(ReadAll(Path("PlotCloneFile.plo")), "0\t0.000\t0.500\t0.000\t0.50\r\n");
  EXPECT_EQ(EnabledControls(), QStringList({"BtnChooseFin", "BtnDetail", "BtnQuit", "RdBtnPlot"}));
}

// A refused name leaves the file chosen before in force, and the window shows
// it; a Final file that cannot be created leaves nothing usable that needs it.
TEST_F(MainWindowTest, RefusedChoicesLeaveTheFilesInForceShown) {
  ChooseFiles("k.mrv", "k.gnr");
  Option("RdBtnHaploLoc")->setChecked(true);
  dialogs.answers << Path("k.mrv");
  Button("BtnDetail")->click();
  dialogs.answers << Path("PlotSexFile.plo");
  Button("BtnChooseFin")->click();
  EXPECT_EQ(messages.texts.size(), 2);
  EXPECT_EQ(Field("TxtFinal")->text(), Path("k.mrv"));
  EXPECT_EQ(Field("TxtDetail")->text(), Path("k.gnr"));
  EXPECT_EQ(Sim().FinalFileName, Path("k.mrv").toStdString());
  EXPECT_EQ(Sim().DetailFileName, Path("k.gnr").toStdString());
  EXPECT_EQ(EnabledControls(), AllControls());
  EXPECT_TRUE(Sim().ModeHaploLocal);
  // The dialogs offer the files in force again.
  Button("BtnChooseFin")->click();
  EXPECT_EQ(dialogs.opens.back().current, Path("k.mrv"));
  Button("BtnDetail")->click();
  EXPECT_EQ(dialogs.saves.back().current, Path("k.gnr"));

  dialogs.answers << Path("missing-folder/x.mrv");
  Button("BtnChooseFin")->click();
  EXPECT_EQ(messages.texts.size(), 3);
  EXPECT_EQ(EnabledControls(), QStringList({"BtnChooseFin", "BtnQuit", "RdBtnPlot"}));
}

TEST_F(MainWindowTest, FileErrorsAreReportedAndTheNextStepStaysDisabled) {
  const QString badFinal = Path("missing-folder/results.mrv");
  dialogs.answers << badFinal;
  Button("BtnChooseFin")->click();
  ASSERT_EQ(messages.texts.size(), 1);
  // The runtime message, then the file concerned.
  EXPECT_EQ(messages.texts[0],
            QString::fromStdString(morvane::IoErrorMessage(ENOENT)) + "\n" + badFinal);
  EXPECT_EQ(Field("TxtFinal")->text(), badFinal);
  EXPECT_EQ(Sim().FinalFileName, badFinal.toStdString());
  EXPECT_FALSE(Button("BtnDetail")->isEnabled());
  // The user tries another name.
  dialogs.answers << Path("results.mrv");
  Button("BtnChooseFin")->click();
  dialogs.answers << Path("missing-folder/trace.gnr");
  Button("BtnDetail")->click();
  ASSERT_EQ(messages.texts.size(), 2);
  EXPECT_TRUE(messages.texts[1].endsWith("\n" + Path("missing-folder/trace.gnr")));
  EXPECT_EQ(EnabledControls(), QStringList({"BtnChooseFin", "BtnDetail", "BtnQuit", "RdBtnPlot"}));
  EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, QuitButtonAndTitleBarCloseEndTheProgram) {
  Button("BtnQuit")->click();
  EXPECT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].endsWith("               Merci de votre visite"));
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(help.requests, QStringList({"close"}));
  // Closing the window by its title bar: no message, no help request.
  window->close();
  EXPECT_EQ(quits, 2);
  EXPECT_EQ(messages.texts.size(), 1);
  EXPECT_EQ(help.requests.size(), 1);
}

} // namespace
