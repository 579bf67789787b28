// Start-up: the windows in their order, only the main window shown; and the
// layouts of every window at the usual screen sizes and with a larger font.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "Startup.h"
#include "UMorvane1.h"
#include "UTShowStop.h"
#include "UiTestSeams.h"
#include "framework/MorvaneForm.h"
#include "framework/Windows.h"
#include "state/SimState.h"

using namespace morvane::ui;
using morvane::ui::testing::FindForm;

namespace {

TEST(Startup, CreatesTheWindowsInOrderWithOnlyTheMainWindowShown) {
  morvane::ResetSimState();
  MorvaneForm::ForgetLastActiveForm();
  ProgramWindows windows;
  ASSERT_GE(windows.InOrder().size(), 2u);
  EXPECT_EQ(windows.InOrder().front()->objectName(), "frmMorvane");
  // The known windows, in the order they must come.
  const QStringList order = {"frmMorvane",   "FrmSexImput",  "FrmClonImput", "FrmPlotMenu",
                             "FrmPerturb1N", "FrmPerturb2N", "FrmShowT",     "FrmPerturbClone",
                             "FrmPlotSex",   "FrmPlotVeg"};
  int last = -1;
  for (MorvaneForm *form : windows.InOrder()) {
    const int at = order.indexOf(form->objectName());
    EXPECT_GT(at, last) << form->objectName().toStdString();
    last = at;
    EXPECT_FALSE(form->isVisible());
  }
  EXPECT_EQ(static_cast<MorvaneForm *>(Windows().frmMorvane), windows.InOrder().front());
  EXPECT_NE(Windows().FrmShowT, nullptr);

  Windows().frmMorvane->ShowForm();
  for (MorvaneForm *form : windows.InOrder())
    EXPECT_EQ(form->isVisible(), form == windows.InOrder().front())
        << form->objectName().toStdString();
  EXPECT_TRUE(Windows().frmMorvane->isMaximized());
  EXPECT_TRUE(morvane::Sim.ModeQuit);
  auto enabled = [](const char *name) {
    return Windows().frmMorvane->findChild<QPushButton *>(name)->isEnabled();
  };
  EXPECT_TRUE(enabled("BtnChooseFin"));
  EXPECT_TRUE(enabled("BtnQuit"));
  EXPECT_FALSE(enabled("BtnDetail"));
  EXPECT_FALSE(enabled("BtnLaunch"));
}

TEST(Startup, ASeriesFromTheMainMenuAndBack) {
  morvane::ResetSimState();
  MorvaneForm::ForgetLastActiveForm();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString previous = QDir::currentPath();
  QDir::setCurrent(dir.path());
  morvane::ui::testing::RecordingMessages messages;
  morvane::ui::testing::ScriptedFileDialogs dialogs;
  {
    ProgramWindows windows;
    MorvaneForm *main = windows.InOrder().front();
    main->ShowForm();
    dialogs.answers << dir.filePath("results.mrv") << dir.filePath("trace.gnr");
    main->findChild<QPushButton *>("BtnChooseFin")->click();
    main->findChild<QPushButton *>("BtnDetail")->click();
    main->findChild<QRadioButton *>("RdBtnHaploGlo")->setChecked(true);
    main->findChild<QPushButton *>("BtnLaunch")->click();
    MorvaneForm *input = FindForm("FrmSexImput");
    ASSERT_NE(input, nullptr);
    ASSERT_TRUE(input->isVisible());
    // With the default entries every survival is 1: one generation, then the
    // run hands over to the haploid disturbance window, which tells the
    // counters once it is on screen.
    MorvaneForm *next = FindForm("FrmPerturb1N");
    ASSERT_NE(next, nullptr);
    bool nextShownUnderTheBox = false;
    messages.onShow = [&] { nextShownUnderTheBox = next->isVisible(); };
    input->findChild<QPushButton *>("BtnGoSex")->click();
    EXPECT_EQ(messages.texts, QStringList{"Completed runs=1; T=1"});
    EXPECT_EQ(messages.owners, std::vector<QWidget *>{next});
    EXPECT_TRUE(nextShownUnderTheBox);
    EXPECT_FALSE(input->isVisible());
    EXPECT_FALSE(FindForm("FrmShowT")->isVisible());
    EXPECT_EQ(morvane::Sim.Generation, 1u);
    EXPECT_EQ(morvane::Sim.CompletedRuns, 1);
    EXPECT_EQ(MorvaneForm::LastActiveForm(), next);
    QFile detail(dir.filePath("trace.gnr"));
    ASSERT_TRUE(detail.open(QIODevice::ReadOnly));
    EXPECT_EQ(detail.readAll().count('\n'), 3);
    QFile plot(dir.filePath("PlotSexFile.plo"));
    ASSERT_TRUE(plot.open(QIODevice::ReadOnly));
    EXPECT_EQ(plot.readAll().count('\n'), 2);
  }
  QDir::setCurrent(previous);
}

// Every visible control lies inside its window, has at least its minimum
// size, and overlaps none of its siblings.
QStringList LayoutProblems(QWidget *window, const QSize &size) {
  QStringList problems;
  window->resize(size);
  window->show();
  QApplication::processEvents();
  const QRect inside = window->rect();
  const auto children = window->findChildren<QWidget *>();
  for (QWidget *w : children) {
    if (!w->isVisible() || w->isWindow() || w->objectName().startsWith("qt_"))
      continue;
    const QString name = w->objectName();
    const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    if (!inside.contains(r))
      problems << name + " leaves the window";
    const QSize least = w->minimumSizeHint();
    if (least.isValid() && (w->width() < least.width() || w->height() < least.height()))
      problems << name + " is squeezed";
    for (QWidget *other : children) {
      if (other == w || other->parentWidget() != w->parentWidget() || !other->isVisible() ||
          other->isWindow() || other->objectName().startsWith("qt_") || !w->parentWidget() ||
          w->parentWidget()->layout() == nullptr)
        continue;
      if (w->geometry().intersects(other->geometry()) && name < other->objectName())
        problems << name + " overlaps " + other->objectName();
    }
  }
  window->hide();
  return problems;
}

TEST(Layouts, WindowsReadWellAtUsualSizesAndWithALargerFont) {
  morvane::ResetSimState();
  ProgramWindows windows;
  const QFont normal = QApplication::font();
  for (int scale : {100, 150}) {
    QFont font = normal;
    font.setPointSizeF(normal.pointSizeF() * scale / 100.0);
    QApplication::setFont(font);
    for (MorvaneForm *form : windows.InOrder()) {
      ASSERT_NE(form->centralWidget(), nullptr);
      EXPECT_NE(form->centralWidget()->layout(), nullptr) << form->objectName().toStdString();
      // At 150 % a 1024x768 screen is too small for the main window; the
      // larger font is checked on a 1920x1080 screen.
      const QList<QSize> sizes = scale == 100 ? QList<QSize>{QSize(1024, 740), QSize(1920, 1050)}
                                              : QList<QSize>{QSize(1920, 1050)};
      for (const QSize &size : sizes) {
        const QStringList problems = LayoutProblems(form, size);
        EXPECT_TRUE(problems.isEmpty())
            << form->objectName().toStdString() << " at " << size.width() << "x" << size.height()
            << " and " << scale << "%: " << problems.join("; ").toStdString();
      }
    }
  }
  QApplication::setFont(normal);
}

} // namespace
