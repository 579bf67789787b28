// The sweep window: the parameters of a model with the input windows' field
// rules, one or two parameters to vary, the threads, the generation cap and
// the Final file; Go runs the sweep as morvane-sweep does, on worker threads,
// with its progress shown, and Cancel stops it so that it can be resumed.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/FieldRules.h"
#include "engine/Model.h"
#include "files/SeriesReader.h"
#include "state/SimState.h"
#include "ui/framework/MorvaneForm.h"
#include "ui/series/FitnessGroup.h"
#include "ui/sweep/SweepJob.h"
#include "ui/sweep/SweepMapView.h"

class QKeyEvent;
class QResizeEvent;
class QLineEdit;
class QTemporaryDir;
class QThread;
class QTimer;

namespace Ui {
class TFrmSweep;
}

class QMenu;

class TFrmSweep : public morvane::ui::MorvaneForm, public FitnessGroupBox::Host {
  Q_OBJECT

public:
  explicit TFrmSweep(QWidget *parent = nullptr);
  ~TFrmSweep() override;

  // The arguments of the morvane-sweep command that runs the sweep the
  // window holds (without the program's name), each field's text as it shows
  // with '.' as the decimal separator.
  std::vector<std::string> SweepArguments() const;
  // That command as one line, arguments quoted for a POSIX shell when needed.
  QString CommandLine() const;
  // Whether a sweep is running.
  bool Running() const { return job_ && job_->Started() && !finishedShown_; }
  // Before the window goes (Back, Esc, closing it, quitting the program):
  // a running sweep is cancelled if the user agrees, its points done kept
  // for a resume. Returns whether no sweep runs any more.
  bool AskToStopSweep();
  const morvane::ui::SweepJob *Job() const { return job_.get(); }
  morvane::ui::SweepMapView *Map() const { return map_; }
  // The menu of a point of the map drawn (a right click): its series, its
  // phase plane, and its bifurcation diagram along each varied parameter
  // the diagram can vary. The caller owns it.
  QMenu *PointMenu(std::size_t point);

  // The Fitness Menu's needs, as in the input windows.
  void FitnessFieldExit(QLineEdit *field, std::function<void()> handler) override;
  void FitnessGuard(const std::function<void()> &handler) override;
  void FitnessClick(const std::function<void()> &handler) override;
  void CheckField(QLineEdit *field, const morvane::FieldRule &rule) override;
  void FitnessMessage(const QString &text) override;

protected:
  void FormShow() override;
  void closeEvent(QCloseEvent *e) override;
  // A point's chart going: its title back, and this window shown again.
  bool eventFilter(QObject *watched, QEvent *e) override;
  // Enter is Go (a focused button is pressed), Esc is Back.
  void keyPressEvent(QKeyEvent *e) override;

private:
  struct ParamField {
    const morvane::FieldRule *rule;
    QLineEdit *field;
  };

  void BuildParameterFields();
  void SetTabOrder();
  void SelectModel(morvane::Model model);
  morvane::Model CurrentModel() const;
  void FillVaryChoices();
  void FillOutputChoices();
  void ShowTableName();
  bool CheckParam(const ParamField &p);
  void CheckVaryEnd(QLineEdit *field, int row);
  void BtnGoClick();
  void BtnCancelClick();
  // Before a sweep of more than 100,000 points, or whose files would take
  // more than 100 MB or a tenth of the free space: the user's answer, told
  // the points and the room they take.
  bool LargeSweepAgreed(const morvane::SweepOptions &options);
  // When the Final file holds this sweep on another grid: whether the user
  // extends it (its points of the same values kept), told how many points
  // are kept and run; sets options.extend.
  bool ExtensionAgreed(morvane::SweepOptions &options);
  void BtnBackClick();
  // While a sweep runs the form is the sweep's: every field read-only, every
  // choice and button but Cancel (and the figure's) shut; afterwards each
  // control is back as it was.
  void LockForm(bool locked);
  // The form set to a sweep's plan (model, values, trade-off, ESS, ranges,
  // cap) and its Final file, as "Open sweep..." finds them.
  void FillFormFromPlan(const morvane::SweepPlan &plan, const QString &final);
  // The clone frequencies kept summing to 1 after one of them was left, as
  // the clonal input window keeps them.
  void KeepClonesSummingToOne();
  void BtnFinalClick();
  void BtnCommandClick();
  // An earlier sweep, from its Final file or its table, drawn without running.
  void BtnOpenClick();
  // The map as a PNG, SVG or PDF picture.
  void BtnSaveMapClick();
  void Poll();
  // Runs the series of a point of the sweep shown on a thread of its own,
  // its Detail and Plot files where the user named them or in the window's
  // scratch folder, then shows it in the model's chart window.
  void ShowPointSeries(std::size_t point);
  // What the thread of a point's series hands back.
  struct PointSeries {
    std::string detailFile, plotFile;
    morvane::DetailFileContent detail;
    morvane::PlotFileContent plot;
    std::exception_ptr error;
  };
  void ShowPointChart(std::size_t point, PointSeries &run);
  void EndOfRun();
  // A refusal of the sweep's options or of one of its points: the message,
  // and the focus in the field it is about (the varied range, the threads,
  // the cap, the Final file or a parameter), when there is one.
  void ShowRefusal(const std::string &message);
  QLineEdit *FieldOfRefusal(const std::string &message) const;

public:
  // A refusal of the sweep library in the window's words: its fields and
  // boxes rather than morvane-sweep's options.
  static QString InWindowWords(const std::string &message);

private:
  // The Show list: the outputs a map of the plan's table can show, each
  // under its caption.
  void ShowOutputsOf(const morvane::SweepPlan &plan);
  // What the form would sweep as far as the map's outputs go: the model,
  // and whether the sweep is analysed and from how many starts.
  morvane::SweepPlan FormOutputs() const;
  // The output the Show list has chosen (a column of the table, or "class").
  std::string ShownOutput() const;

  std::unique_ptr<Ui::TFrmSweep> ui_;
  // The fields of the sexual and of the clonal models, each in its table's
  // order; the window shows one set.
  std::vector<ParamField> sexualFields_, clonalFields_;
  // The state the field rules check against (the DG range moves with p and
  // q), and the Fitness Menu's survivals, trade-off and ESS, apart from the
  // series the other windows run.
  morvane::SimState scratch_;
  std::unique_ptr<morvane::ui::SweepJob> job_;
  bool finishedShown_ = true;
  double lastRowAt_ = -1; // when the last row came in, in seconds of the run
  QTimer *poll_;
  morvane::ui::SweepMapView *map_;
  // The plan of the sweep shown, and the folder of its points' series.
  morvane::SweepPlan shownPlan_;
  std::unique_ptr<QTemporaryDir> scratchDir_;
  QLineEdit *pointDetail_ = nullptr, *pointPlot_ = nullptr;
  // The thread of the point's series being run, if any.
  QThread *pointRun_ = nullptr;
  // The controls LockForm shut, and whether each was enabled (buttons,
  // lists) or read-only (fields) before.
  std::vector<std::pair<QWidget *, bool>> locked_;
  // The chart windows showing a point's series, with their own titles.
  QHash<QObject *, QString> chartTitle_;
};
