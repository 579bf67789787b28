// The export dialog of a figure: its format, its size on the page in cm or
// inches, the resolution of a PNG, the font size in points, which charts it
// holds and whether a caption names the series' parameters. It opens on the
// last settings used for the same kind of figure and keeps the ones accepted.
// What the user types is checked as it is typed: a size below the least one,
// or a figure too small for its labels, is named in the dialog with the size
// it needs and OK waits for a size that fits; nothing typed is replaced.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "ui/figure/FigureSettings.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QComboBox;
class QDoubleSpinBox;
class QSettings;
class QSpinBox;

namespace morvane::figure {

// A choice of charts the caller offers, with its text in the dialog.
struct ChartChoice {
  FigureCharts charts;
  QString text;
};

class ExportDialog : public QDialog {
  Q_OBJECT

public:
  // `choices` in their order; `initial` is the one chosen at first. The
  // fields hold the settings last kept in `store` for that choice.
  // `check` names what keeps a figure of some settings from being drawn
  // ("" when nothing does); sizes below the least ones are refused before it
  // is asked.
  using Check = std::function<QString(const FigureSettings &)>;
  // `zoomed`: the charts are zoomed, and the dialog asks whether the figure
  // shows the zoomed ranges ("as shown") or the whole series.
  ExportDialog(QWidget *parent, std::vector<ChartChoice> choices, FigureCharts initial,
               QSettings &store, Check check = {}, bool zoomed = false);

  FigureSettings Settings() const;
  // Why the settings shown cannot be accepted, or "".
  QString Problem() const;
  const std::vector<ChartChoice> &Choices() const { return choices_; }

  // Shows the dialog; the accepted settings, kept in `store`, or nothing
  // when it was cancelled.
  static std::optional<FigureSettings> Ask(QWidget *parent, std::vector<ChartChoice> choices,
                                           FigureCharts initial, QSettings &store, Check check = {},
                                           bool zoomed = false);

  // Tests: while a script is set, Ask does not wait for the user but hands
  // the dialog to the script, which sets its fields and says whether it
  // accepts. An empty function puts the user back.
  static void SetScript(std::function<bool(ExportDialog &)> script);

private:
  void Show(const FigureSettings &s);
  void UnitChanged();
  void ChartsChanged();
  void FormatChanged();
  void UpdateLimits();
  void Validate();

  std::vector<ChartChoice> choices_;
  QSettings &store_;
  QComboBox *format_;
  QComboBox *unit_;
  QDoubleSpinBox *width_;
  QDoubleSpinBox *height_;
  QSpinBox *dpi_;
  QDoubleSpinBox *font_;
  QComboBox *charts_;
  QCheckBox *caption_;
  QComboBox *range_;
  QLabel *problem_;
  QPushButton *ok_;
  Check check_;
  bool sizeTyped_ = false;
  LengthUnit shownUnit_ = LengthUnit::Cm;
  FigureCharts shownCharts_ = FigureCharts::Both;
};

} // namespace morvane::figure
