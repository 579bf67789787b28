// The main window: choice of the Final and Detail files, of the model, and
// the way into the input and plot windows; the program is left from here.
#pragma once

#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "engine/Model.h"
#include "ui/framework/MorvaneForm.h"

class QLineEdit;
class QRadioButton;

namespace Ui {
class TfrmMorvane;
}

class TfrmMorvane : public morvane::ui::MorvaneForm {
  Q_OBJECT

public:
  explicit TfrmMorvane(QWidget *parent = nullptr);
  ~TfrmMorvane() override;

  // How the program ends (the application's event loop is told to end);
  // tests replace it. nullptr puts the default back.
  static void SetQuitProgram(std::function<void()> quit);

protected:
  void FormShow() override;
  void FormActivate() override;
  void closeEvent(QCloseEvent *e) override;

private:
  void BtnChooseFinClick();
  void BtnDetailClick();
  void RBtnDiploGlobClick();
  void RBtnDiploLocalClick();
  void RdBtnHaploGloClick();
  void RdBtnHaploLocClick();
  void RdBtnClonalClick();
  void RdBtnPlotClick();
  void RdBtnQuitClick();
  void BtnLaunchClick();
  void BtnQuitClick();
  void Usersguide1Click();
  void AboutMorvane1Click();

  // The seven options in the order diploid global, diploid local, haploid
  // global, haploid local, clonal, plot, quit.
  std::array<QRadioButton *, 7> Options() const;
  void ResetControls();
  // The seven options, then Go (enabled in that order).
  void EnableOptionsAndGo(bool on);
  // A file name field shows the file in force, or "None" when there is none.
  static void ShowFileName(QLineEdit *field, const QString &name);
  void SelectQuitOption();
  void ShowFarewell();
  void ChooseModelOption(morvane::Model model);

  std::unique_ptr<Ui::TfrmMorvane> ui_;
  // The file names the two dialogs hold: a cancelled dialog keeps its name.
  // They are the Final and Detail files in force since the last reset: a
  // refused name does not replace them.
  QString openDialogName_;
  QString saveDialogName_;
};

namespace morvane::ui {

// The farewell message shown before the program ends.
QString FarewellText();
// The About box text.
QString AboutText();

} // namespace morvane::ui
