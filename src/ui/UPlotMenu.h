// The plot menu: plots a series run earlier, read back from a Detail file
// (every series it holds, each with its own parameters) or from a plot file,
// in the sexual or the clonal chart window.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "PlotForm.h"
#include "SeriesFigure.h"
#include "framework/MorvaneForm.h"

namespace Ui {
class TFrmPlotMenu;
}

class TFrmPlotMenu : public morvane::ui::MorvaneForm {
  Q_OBJECT

public:
  explicit TFrmPlotMenu(QWidget *parent = nullptr);
  ~TFrmPlotMenu() override;

private:
  void BtnOpenDetailClick();
  void BtnOpenPlotClick();
  // The chosen series (several with Ctrl or Shift) drawn together in their
  // chart window...
  void BtnPlotClick();
  // ...or in one figure, through the export dialog.
  void BtnSaveTogetherClick();
  void BtnBackPClick();
  void Help1Click();

  // Asks for a file with the given filters; empty when cancelled.
  QString AskFile(const QStringList &filters);
  // Empties the list and shows `fileName` as the file being read.
  void StartList(const QString &fileName);
  // Lists what was read; a problem is shown in a message and stays noted
  // under the list.
  void FinishList(const QString &fileName, const std::string &problem, const QString &nothing);

  struct Entry {
    QString text;
    bool clonal;
    morvane::ui::StoredSeries series;
  };
  // The series chosen in the list, in its order; none, with a message, when
  // nothing is chosen or clonal and sexual series are mixed.
  std::vector<const Entry *> Chosen();
  std::unique_ptr<Ui::TFrmPlotMenu> ui;
  std::vector<Entry> entries_;
  QString folder_;
  QString figureFolder_;
};
