// The captions of the windows as they are drawn: one table per window, the
// window's own title first (an empty name), then its controls by object
// name: a button's or a label's text, a group's or a menu's title, a menu
// item's text.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <functional>
#include <memory>

#include "UiTestSeams.h"
#include "ui/UMorvane1.h"
#include "ui/series/UClonImput.h"
#include "ui/series/USexImput.h"
#include "ui/series/UTShowStop.h"

namespace {

struct Caption {
  const char *name; // "" for the window itself
  const char *text;
};

struct WindowCaptions {
  const char *window;
  std::function<std::unique_ptr<QWidget>()> make;
  std::vector<Caption> captions;
};

// The caption that the control of that name shows, or a note that it has none.
QString CaptionOf(QWidget &window, const char *name) {
  if (!*name)
    return window.windowTitle();
  QObject *control = window.findChild<QObject *>(name);
  if (auto *button = qobject_cast<QAbstractButton *>(control))
    return button->text();
  if (auto *label = qobject_cast<QLabel *>(control))
    return label->text();
  if (auto *group = qobject_cast<QGroupBox *>(control))
    return group->title();
  if (auto *menu = qobject_cast<QMenu *>(control))
    return menu->title();
  if (auto *action = qobject_cast<QAction *>(control))
    return action->text();
  return QStringLiteral("<no captioned control %1>").arg(name);
}

template <class W> std::function<std::unique_ptr<QWidget>()> Make() {
  return [] { return std::unique_ptr<QWidget>(std::make_unique<W>()); };
}

const WindowCaptions kWindows[] = {
    {"frmMorvane",
     Make<TfrmMorvane>(),
     {{"", "Morvane v2"},
      {"BtnLaunch", "&Go !"},
      {"BtnChooseFin", "Choose &Final file"},
      {"BtnDetail", "Choose &Detail file"},
      {"BtnQuit", "Quit Morvane"},
      {"RBtnDiploLocal", "Diploids with local panmixia"},
      {"RBtnDiploGlob", "Diploids with global panmixia"},
      {"RdBtnHaploLoc", "Haploids with local panmixia"},
      {"RdBtnHaploGlo", "Haploids with global panmixia"},
      {"RdBtnClonal", "Haploid &clonals"},
      {"RdBtnPlot", "&Plot a previous simulation"},
      {"RdBtnQuit", "&Quit the program\"Morvane\""},
      {"LblMenu1", "SELECTED POLYMORPHISM AND HABITAT SELECTION"},
      {"LblChoice", "Please, choose one option in the following menu "},
      {"LblThanks", "Many thanks to"},
      {"LblSpecialThanks", "A special thank to"},
      {"LblNaupliusI", "Nauplius I"},
      {"LblNaupliusII", "Nauplius II"},
      {"LblCopepodite", "Copepodite"},
      {"RGrpMenu", "Menu"},
      {"GrpBxChooseFiles", "Please choose, create or rewrite simulation files before processing"},
      {"GrpBxChooseFin", "Choose or Create Final file"},
      {"GrpBxDetail", "Create or Rewrite Detail file"},
      {"Help1", "Help"},
      {"Usersguide1", "Morvane v2 help"},
      {"AboutMorvane1", "About Morvane"}}},
    {"FrmShowT",
     Make<TFrmShowT>(),
     {{"", "Simulation progress information frame"},
      {"LblNmbT", "Number of generations completed:"},
      {"LblT", "T ="},
      {"LblDeltap", "Deltap ="},
      {"LblDeltaq", "Deltaq ="},
      {"BtnInterrupt", "&Interrupt run"}}},
    {"FrmSexImput", Make<TFrmSexImput>(), {{"", "Input Menu for Sexuals"}}},
    {"FrmClonImput",
     Make<TFrmClonImput>(),
     {{"", "Input Menu for Clonals (haploids) or two species"}}},
};

class CaptionsTest : public ::testing::TestWithParam<WindowCaptions> {};

TEST_P(CaptionsTest, EveryCaptionAsDrawn) {
  const std::unique_ptr<QWidget> window = GetParam().make();
  EXPECT_EQ(window->objectName(), GetParam().window);
  for (const Caption &c : GetParam().captions)
    EXPECT_EQ(CaptionOf(*window, c.name), c.text) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Windows, CaptionsTest, ::testing::ValuesIn(kWindows),
                         [](const ::testing::TestParamInfo<WindowCaptions> &info) {
                           return std::string(info.param.window);
                         });

} // namespace
