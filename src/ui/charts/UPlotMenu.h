// The plot menu: plots a series run earlier, read back from a Detail file
// (every series it holds, each with its own parameters) or from a plot file,
// in the sexual or the clonal chart window.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "ui/charts/PlotForm.h"
#include "ui/figure/SeriesFigure.h"
#include "ui/framework/MorvaneForm.h"

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
  // The series of another Detail file listed after those already there.
  void BtnAddDetailClick();
  void BtnOpenPlotClick();
  // The chosen series (several with Ctrl or Shift) drawn together in their
  // chart window...
  void BtnPlotClick();
  // ...or in one figure, through the export dialog.
  void BtnSaveTogetherClick();
  void BtnBackPClick();
  void Help1Click();

  struct Entry {
    QString file; // as chosen
    // What the list says of the series within its file ("Series 2 (line
    // 61): ...").
    QString text;
    bool clonal;
    morvane::ui::StoredSeries series;
  };

  // Asks for a file with the given filters; empty when cancelled.
  QString AskFile(const QStringList &filters);
  // Empties the list and shows `fileName` as the file being read.
  void StartList(const QString &fileName);
  // Reads a Detail file; its series replace the list, or are added to it.
  void ReadDetail(bool add);
  // Lists what was read after what is listed; a problem is shown in a
  // message and stays noted under the list. Nothing read from a file added
  // leaves the list as it was.
  void FinishList(const QString &fileName, std::vector<Entry> read, const std::string &problem,
                  const QString &nothing, bool add);
  // Fills the list from `entries_`, each entry named by its file when they
  // come from several, and makes row `current` the current one.
  void ShowList(int current);
  // The series chosen in the list, in its order; none, with a message, when
  // nothing is chosen or clonal and sexual series are mixed.
  std::vector<const Entry *> Chosen();
  std::unique_ptr<Ui::TFrmPlotMenu> ui;
  std::vector<Entry> entries_;
  QStringList files_; // those of `entries_`, in the list's order
  QString figureFolder_;
};
