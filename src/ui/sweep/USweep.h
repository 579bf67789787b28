// The sweep window: the parameters of a model with the input windows' field
// rules, one or two parameters to vary, the threads, the generation cap and
// the Final file; Go runs the sweep as morvane-sweep does, on worker threads,
// with its progress shown, and Cancel stops it so that it can be resumed.
#pragma once

#include <QString>
#include <QStringList>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "engine/FieldRules.h"
#include "engine/Model.h"
#include "files/SeriesReader.h"
#include "state/SimState.h"
#include "ui/framework/MorvaneForm.h"
#include "ui/series/FitnessGroup.h"
#include "ui/sweep/SweepJob.h"
#include "ui/sweep/SweepMapView.h"

class QLineEdit;
class QTemporaryDir;
class QThread;
class QTimer;

namespace Ui {
class TFrmSweep;
}

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
  const morvane::ui::SweepJob *Job() const { return job_.get(); }
  morvane::ui::SweepMapView *Map() const { return map_; }

  // The Fitness Menu's needs, as in the input windows.
  void FitnessFieldExit(QLineEdit *field, std::function<void()> handler) override;
  void FitnessGuard(const std::function<void()> &handler) override;
  void FitnessClick(const std::function<void()> &handler) override;
  void CheckField(QLineEdit *field, const morvane::FieldRule &rule) override;
  void FitnessMessage(const QString &text) override;

protected:
  void FormActivate() override;
  void closeEvent(QCloseEvent *e) override;

private:
  struct ParamField {
    const morvane::FieldRule *rule;
    QLineEdit *field;
  };

  void BuildParameterFields();
  void SelectModel(morvane::Model model);
  morvane::Model CurrentModel() const;
  void FillVaryChoices();
  void FillOutputChoices();
  void ShowTableName();
  void CheckParam(const ParamField &p);
  void CheckVaryEnd(QLineEdit *field, int row);
  void BtnGoClick();
  void BtnCancelClick();
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
  void ShowOutputsOf(morvane::Model model);

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
  QTimer *poll_;
  morvane::ui::SweepMapView *map_;
  // The plan of the sweep shown, and the folder of its points' series.
  morvane::SweepPlan shownPlan_;
  std::unique_ptr<QTemporaryDir> scratchDir_;
  QLineEdit *pointDetail_ = nullptr, *pointPlot_ = nullptr;
  // The thread of the point's series being run, if any.
  QThread *pointRun_ = nullptr;
};
