// The progress window during real runs: live numbers, the interrupt button,
// modality, and the hand-over at the end of a run.
#include <QFileInfo>
#include <QLabel>
#include <algorithm>
#include <functional>

#include "FieldTestSupport.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"
#include "ui/framework/ErrorHandler.h"
#include "ui/framework/Locale.h"
#include "ui/series/UTShowStop.h"

using morvane::ui::Sim;
using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

// Runs `each` once per pass of the event loop, that is once per generation
// while a run lets pending events run after every generation.
class EveryPass {
public:
  explicit EveryPass(std::function<bool()> each) : each_(std::move(each)) { Post(); }
  ~EveryPass() { alive_ = false; }

private:
  void Post() {
    QMetaObject::invokeMethod(
        &anchor_,
        [this] {
          if (alive_ && each_())
            Post();
        },
        Qt::QueuedConnection);
  }
  QObject anchor_;
  std::function<bool()> each_;
  bool alive_ = true;
};

class ProgressWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    TfrmMorvane::SetQuitProgram([this] { ++quits; });
    main = std::make_unique<TfrmMorvane>();
    progress = std::make_unique<TFrmShowT>();
    progress->SetRefreshIntervals(0, 0);
    main->ShowForm();
    // A haploid series with local panmixia that changes slowly and, with
    // L = 0, does not stop by itself for a long time.
    Sim().DetailFileName = Sim().DetailFile.Name = folder.File("trace.gnr").toStdString();
    morvane::CreateEmptyFile(Sim().DetailFileName);
    morvane::PrepareSexualInput(Sim(), morvane::kSexPlotFileName);
    Sim().Params() = {0.5, 1, 0.5, 1, 1, 0.9, 0.6, 0.6, 0.9, 0}; // x d c i j W1A W2A W1a W2a L
    Sim().FreqA = 0.3;
    Sim().FreqB = 0.5;
    Sim().ModeHaploLocal = true;
    Sim().Ploidy = "Haploid";
    Sim().Reproduction = "Local";
  }
  void TearDown() override {
    progress.reset();
    main.reset();
    TfrmMorvane::SetQuitProgram(nullptr);
    QLocale::setDefault(QLocale::c());
  }
  QLineEdit *Field(const char *name) { return progress->findChild<QLineEdit *>(name); }
  QPushButton *Interrupt() { return progress->findChild<QPushButton *>("BtnInterrupt"); }
  static long Lines(const QString &name) {
    const std::string text = ReadAll(name);
    return std::count(text.begin(), text.end(), '\n');
  }

  ScratchCurrentFolder folder;
  RecordingMessages messages;
  int quits = 0;
  std::unique_ptr<TfrmMorvane> main;
  std::unique_ptr<TFrmShowT> progress;
};

TEST(ProgressWindowLayout, ControlsAndWindowAsStored) {
  TFrmShowT w;
  EXPECT_EQ(w.objectName(), "FrmShowT");
  ExpectEnabled(&w, "TxtNmbT", false);
  ExpectEnabled(&w, "TxtDeltap TxtDeltaq", true);
  EXPECT_NE(w.findChild<QPushButton *>("BtnInterrupt"), nullptr);
  // No close, minimise or maximise box; modal for the whole program. A
  // dialog of the program: the window manager keeps it above the program's
  // windows and gives it no minimise button.
  EXPECT_EQ(w.windowFlags() & Qt::WindowType_Mask, Qt::Dialog);
  for (Qt::WindowType box :
       {Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint})
    EXPECT_FALSE(w.windowFlags() & box) << box;
  EXPECT_EQ(w.windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(w.HelpContext(), 0);
  EXPECT_EQ(w.palette().color(QPalette::Window), QColor(0, 255, 255));
}

TEST_F(ProgressWindowTest, ShowsLiveNumbersInTheLocaleAndEndsOnInterrupt) {
  QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
  QStringList problems;
  int passes = 0;
  double shownDeltaP = 0;
  EveryPass watcher([&] {
    ++passes;
    if (!progress->isVisible())
      problems << "progress window hidden during the run";
    if (QApplication::activeModalWidget() != progress.get())
      problems << "not modal";
    // The numbers shown are those before this generation's step.
    if (Field("TxtNmbT")->text() != QString::number(Sim().Generation - 1))
      problems << "T shows " + Field("TxtNmbT")->text();
    if (Field("TxtDeltap")->text() != RealText(shownDeltaP))
      problems << "Deltap shows " + Field("TxtDeltap")->text();
    shownDeltaP = Sim().DeltaP;
    if (passes == 5) {
      Interrupt()->click();
      return false;
    }
    return true;
  });
  const auto model = morvane::StartSexualSeries(Sim(), *progress);
  ASSERT_TRUE(model.has_value());
  EXPECT_TRUE(problems.isEmpty()) << problems.join("; ").toStdString();
  // Ended exactly as a converged run: after the current generation, counted,
  // window hidden, next window shown (the main menu while the disturbance
  // windows are not there).
  EXPECT_EQ(passes, 5);
  EXPECT_EQ(Sim().Generation, 5u);
  EXPECT_EQ(Sim().CompletedRuns, 1);
  EXPECT_TRUE(Sim().StopRequested);
  EXPECT_GT(std::abs(Sim().DeltaP), 0.0);
  EXPECT_FALSE(progress->isVisible());
  EXPECT_EQ(Lines("trace.gnr"), 2 + 5);
  EXPECT_EQ(Lines("PlotSexFile.plo"), 1 + 5);
  EXPECT_TRUE(Field("TxtDeltap")->text().contains(','));
  // Next to T, how far the Detail file has grown.
  const QString size = progress->findChild<QLabel *>("LblDetailSize")->text();
  EXPECT_TRUE(size.startsWith("Detail file: ")) << size.toStdString();
  EXPECT_TRUE(size.contains(QString::number(QFileInfo(folder.File("trace.gnr")).size())))
      << size.toStdString();
  EXPECT_TRUE(messages.texts.isEmpty());
  // The button is usable again in the next run.
  morvane::RerunHaploidSeries(Sim(), *progress, 0.3, 0.5, 0);
  EXPECT_EQ(Sim().CompletedRuns, 2);
}

TEST_F(ProgressWindowTest, OtherWindowsTakeNoInputDuringARun) {
  auto *quit = main->findChild<QPushButton *>("BtnQuit");
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  int passes = 0;
  EveryPass watcher([&] {
    if (++passes == 1) {
      // Through the platform, as a user's click arrives.
      QTest::mouseClick(main->windowHandle(), Qt::LeftButton, {},
                        quit->mapTo(main.get(), quit->rect().center()));
      return true;
    }
    Interrupt()->click();
    return false;
  });
  morvane::StartSexualSeries(Sim(), *progress);
  EXPECT_EQ(quits, 0);
  EXPECT_TRUE(messages.texts.isEmpty());
  EXPECT_EQ(Sim().Generation, 2u);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  // After the run the same click reaches the button.
  QTest::mouseClick(main->windowHandle(), Qt::LeftButton, {},
                    quit->mapTo(main.get(), quit->rect().center()));
  EXPECT_EQ(quits, 1);
}

TEST_F(ProgressWindowTest, HandsOverToTheDisturbanceWindowOfTheModel) {
  StandIn haploid("FrmPerturb1N"), diploid("FrmPerturb2N"), clonal("FrmPerturbClone");
  EveryPass watcher([&] {
    Interrupt()->click();
    return false;
  });
  morvane::StartSexualSeries(Sim(), *progress);
  EXPECT_TRUE(haploid.isVisible());
  EXPECT_FALSE(diploid.isVisible() || clonal.isVisible());
  progress->HandOver(morvane::Model::DiploidGlobal);
  EXPECT_TRUE(diploid.isVisible());
  progress->HandOver(morvane::Model::Clonal);
  EXPECT_TRUE(clonal.isVisible());
}

TEST_F(ProgressWindowTest, RepaintsAreThrottledButTheFirstIsImmediate) {
  progress->SetRefreshIntervals(60000, 0);
  EveryPass watcher([&] { return Sim().Generation < 50 || (Interrupt()->click(), false); });
  morvane::StartSexualSeries(Sim(), *progress);
  EXPECT_EQ(Sim().Generation, 50u);
  // One paint at the start of the run; the rest waited for the interval.
  EXPECT_EQ(progress->RepaintCount(), 1);
  // What the window holds at the end is the last generation shown.
  EXPECT_EQ(Field("TxtNmbT")->text(), "49");
}

TEST_F(ProgressWindowTest, FileErrorEndsTheRunAndReleasesTheOtherWindows) {
  StandIn haploid("FrmPerturb1N");
  // The Detail file becomes unwritable after the first generation.
  EveryPass watcher([&] {
    Sim().DetailFile.Name = folder.File("gone/trace.gnr").toStdString();
    return false;
  });
  // Started from a button, as the input window does.
  QPushButton go("Go");
  QObject::connect(&go, &QPushButton::clicked, [&] {
    try {
      morvane::StartSexualSeries(Sim(), *progress);
    } catch (const std::exception &e) {
      ReportError(main.get(), e);
    }
  });
  go.click();
  EXPECT_EQ(messages.texts, QStringList({QString::fromStdString(morvane::IoErrorMessage(ENOENT)) +
                                         "\n" + folder.File("gone/trace.gnr")}));
  // The second generation could not be written: the state is that of the
  // first, the last one the files hold.
  EXPECT_EQ(Sim().Generation, 1u);
  EXPECT_FALSE(haploid.isVisible());
  EXPECT_EQ(Sim().CompletedRuns, 0);
  // The program goes on: the other windows take input again.
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
