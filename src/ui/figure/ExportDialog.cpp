#include "ui/figure/ExportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>
#include <utility>

namespace morvane::figure {
namespace {

std::function<bool(ExportDialog &)> &Script() {
  static std::function<bool(ExportDialog &)> script;
  return script;
}

constexpr double kCmPerInch = 2.54;

bool Pair(FigureCharts charts) { return charts == FigureCharts::Both; }

QString Length(double value, LengthUnit unit) {
  return QStringLiteral("%1 %2").arg(QString::number(value, 'f', 2), unit == LengthUnit::Cm
                                                                         ? QStringLiteral("cm")
                                                                         : QStringLiteral("in"));
}

} // namespace

ExportDialog::ExportDialog(QWidget *parent, std::vector<ChartChoice> choices, FigureCharts initial,
                           QSettings &store, Check check, bool zoomed)
    : QDialog(parent), choices_(std::move(choices)), store_(store), check_(std::move(check)) {
  setObjectName(QStringLiteral("FrmExportFigure"));
  setWindowTitle(QStringLiteral("Save chart"));
  auto *form = new QFormLayout;
  format_ = new QComboBox(this);
  format_->setObjectName(QStringLiteral("CmbFormat"));
  format_->addItems({QStringLiteral("PNG picture"), QStringLiteral("SVG drawing"),
                     QStringLiteral("PDF document")});
  form->addRow(QStringLiteral("&Format:"), format_);
  charts_ = new QComboBox(this);
  charts_->setObjectName(QStringLiteral("CmbCharts"));
  for (const ChartChoice &c : choices_)
    charts_->addItem(c.text);
  charts_->setEnabled(choices_.size() > 1);
  form->addRow(QStringLiteral("C&harts:"), charts_);
  unit_ = new QComboBox(this);
  unit_->setObjectName(QStringLiteral("CmbUnit"));
  unit_->addItems({QStringLiteral("cm"), QStringLiteral("inches")});
  form->addRow(QStringLiteral("&Unit:"), unit_);
  const auto length = [this](const char *name) {
    auto *box = new QDoubleSpinBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setDecimals(2);
    box->setSingleStep(0.5);
    return box;
  };
  width_ = length("SpnWidth");
  height_ = length("SpnHeight");
  form->addRow(QStringLiteral("&Width:"), width_);
  form->addRow(QStringLiteral("H&eight:"), height_);
  dpi_ = new QSpinBox(this);
  dpi_->setObjectName(QStringLiteral("SpnDpi"));
  dpi_->setRange(36, 2400);
  dpi_->setSingleStep(50);
  dpi_->setSuffix(QStringLiteral(" dpi"));
  form->addRow(QStringLiteral("PNG &resolution:"), dpi_);
  font_ = new QDoubleSpinBox(this);
  font_->setObjectName(QStringLiteral("SpnFont"));
  font_->setRange(4, 36);
  font_->setDecimals(1);
  font_->setSingleStep(0.5);
  font_->setSuffix(QStringLiteral(" pt"));
  form->addRow(QStringLiteral("Font &size:"), font_);
  caption_ = new QCheckBox(QStringLiteral("Add a &caption with the series' parameters"), this);
  caption_->setObjectName(QStringLiteral("ChkCaption"));
  form->addRow(caption_);
  range_ = new QComboBox(this);
  range_->setObjectName(QStringLiteral("CmbRange"));
  range_->addItems(
      {QStringLiteral("As shown (the zoomed range)"), QStringLiteral("The whole series")});
  form->addRow(QStringLiteral("&Range:"), range_);
  range_->setVisible(zoomed);
  form->labelForField(range_)->setVisible(zoomed);
  auto *buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
  buttons->setObjectName(QStringLiteral("Buttons"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this, [this] {
    FigureSettings defaults = DefaultFigureSettings(shownCharts_);
    Show(defaults);
  });
  ok_ = buttons->button(QDialogButtonBox::Ok);
  problem_ = new QLabel(this);
  problem_->setObjectName(QStringLiteral("LblProblem"));
  problem_->setWordWrap(true);
  problem_->setStyleSheet(QStringLiteral("color: #A00000"));
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(problem_);
  layout->addWidget(buttons);

  int row = 0;
  for (std::size_t k = 0; k < choices_.size(); ++k)
    if (choices_[k].charts == initial)
      row = int(k);
  charts_->setCurrentIndex(row);
  shownCharts_ = choices_.empty() ? initial : choices_[std::size_t(row)].charts;
  Show(LoadFigureSettings(store_, shownCharts_));
  connect(unit_, &QComboBox::currentIndexChanged, this, [this] { UnitChanged(); });
  connect(charts_, &QComboBox::currentIndexChanged, this, [this] { ChartsChanged(); });
  connect(format_, &QComboBox::currentIndexChanged, this, [this] { FormatChanged(); });
  for (QDoubleSpinBox *box : {width_, height_})
    connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
      sizeTyped_ = true;
      Validate();
    });
  connect(font_, &QDoubleSpinBox::valueChanged, this, [this] { Validate(); });
  connect(caption_, &QCheckBox::toggled, this, [this] { Validate(); });
  connect(range_, &QComboBox::currentIndexChanged, this, [this] { Validate(); });
  Validate();
}

void ExportDialog::Show(const FigureSettings &s) {
  const QSignalBlocker blockUnit(unit_);
  shownUnit_ = s.unit;
  unit_->setCurrentIndex(int(s.unit));
  UpdateLimits();
  {
    const QSignalBlocker blockWidth(width_), blockHeight(height_);
    width_->setValue(s.width);
    height_->setValue(s.height);
  }
  {
    const QSignalBlocker blockFormat(format_);
    format_->setCurrentIndex(int(s.format));
  }
  dpi_->setValue(s.dpi);
  font_->setValue(s.fontPt);
  caption_->setChecked(s.caption);
  FormatChanged();
  Validate();
}

void ExportDialog::UpdateLimits() {
  const double perCm = shownUnit_ == LengthUnit::Cm ? 1 : 1 / kCmPerInch;
  const QString suffix =
      shownUnit_ == LengthUnit::Cm ? QStringLiteral(" cm") : QStringLiteral(" in");
  // Any size down to nothing can be typed: one below the least is named in
  // the dialog, never replaced by it.
  width_->setRange(0, kMaxLengthCm * perCm);
  height_->setRange(0, kMaxLengthCm * perCm);
  width_->setSuffix(suffix);
  height_->setSuffix(suffix);
}

void ExportDialog::UnitChanged() {
  const LengthUnit unit = LengthUnit(unit_->currentIndex());
  if (unit == shownUnit_)
    return;
  const double factor = unit == LengthUnit::Inch ? 1 / kCmPerInch : kCmPerInch;
  const double width = width_->value() * factor, height = height_->value() * factor;
  shownUnit_ = unit;
  UpdateLimits();
  {
    const QSignalBlocker blockWidth(width_), blockHeight(height_);
    width_->setValue(width);
    height_->setValue(height);
  }
  Validate();
}

void ExportDialog::ChartsChanged() {
  const int row = charts_->currentIndex();
  if (row < 0 || row >= int(choices_.size()))
    return;
  const FigureCharts charts = choices_[std::size_t(row)].charts;
  // One chart and the pair have sizes of their own, unless the user typed
  // one in this dialog: that stays as typed.
  const bool newSize = Pair(charts) != Pair(shownCharts_) && !sizeTyped_;
  shownCharts_ = charts;
  if (newSize) {
    FigureSettings s = Settings();
    const FigureSettings kept = LoadFigureSettings(store_, charts);
    s.unit = kept.unit;
    s.width = kept.width;
    s.height = kept.height;
    Show(s);
  }
  UpdateLimits();
  Validate();
}

void ExportDialog::FormatChanged() {
  dpi_->setEnabled(format_->currentIndex() == int(FigureFormat::Png));
}

FigureSettings ExportDialog::Settings() const {
  FigureSettings s;
  s.format = FigureFormat(format_->currentIndex());
  s.unit = shownUnit_;
  s.width = width_->value();
  s.height = height_->value();
  s.dpi = dpi_->value();
  s.fontPt = font_->value();
  s.charts = shownCharts_;
  s.caption = caption_->isChecked();
  s.asShown = range_->isVisibleTo(this) && range_->currentIndex() == 0;
  return s;
}

QString ExportDialog::Problem() const { return problem_->text(); }

void ExportDialog::Validate() {
  const FigureSettings s = Settings();
  const double perCm = s.unit == LengthUnit::Cm ? 1 : 1 / kCmPerInch;
  const double leastWidth = MinimumWidth(s.charts, s.unit), leastHeight = kMinHeightCm * perCm;
  QString problem;
  // A hundredth below the least is the least shown at two decimals.
  if (s.width < leastWidth - 0.005)
    problem = QStringLiteral("The width must be at least %1 (%2): %3 is too narrow.")
                  .arg(Length(leastWidth, s.unit),
                       Pair(s.charts) ? QStringLiteral("two charts side by side")
                                      : QStringLiteral("one chart"),
                       Length(s.width, s.unit));
  else if (s.height < leastHeight - 0.005)
    problem = QStringLiteral("The height must be at least %1: %2 is too low.")
                  .arg(Length(leastHeight, s.unit), Length(s.height, s.unit));
  else if (check_)
    problem = check_(s);
  problem_->setText(problem);
  problem_->setVisible(!problem.isEmpty());
  ok_->setEnabled(problem.isEmpty());
}

std::optional<FigureSettings> ExportDialog::Ask(QWidget *parent, std::vector<ChartChoice> choices,
                                                FigureCharts initial, QSettings &store, Check check,
                                                bool zoomed) {
  ExportDialog dialog(parent, std::move(choices), initial, store, std::move(check), zoomed);
  // A script's OK counts only while the dialog's own would: the dialog never
  // closes on settings it refuses.
  const bool accepted =
      Script() ? Script()(dialog) && dialog.ok_->isEnabled() : dialog.exec() == QDialog::Accepted;
  if (!accepted)
    return std::nullopt;
  const FigureSettings s = dialog.Settings();
  StoreFigureSettings(store, s);
  return s;
}

void ExportDialog::SetScript(std::function<bool(ExportDialog &)> script) {
  Script() = std::move(script);
}

} // namespace morvane::figure
