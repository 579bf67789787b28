#include "ui/sweep/USweep.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <sstream>
#include <tuple>

#include "analysis/Linearise.h"
#include "engine/CloneFrequencies.h"
#include "engine/Series.h"
#include "files/NumberFormat.h"
#include "files/SeriesReader.h"
#include "files/TextFile.h"
#include "runner/Runner.h"
#include "runner/RunnerOptions.h"
#include "sweep/SweepNames.h"
#include "sweep/SweepOutputs.h"
#include "ui/analysis/BifurcationWindow.h"
#include "ui/analysis/PhasePlaneWindow.h"
#include "ui/charts/PlotForm.h"
#include "ui/figure/FigureOptions.h"
#include "ui/figure/FigureSaving.h"
#include "ui/figure/FigureSettings.h"
#include "ui/figure/SweepFigure.h"
#include "ui/framework/FileDialogs.h"
#include "ui/framework/Help.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Look.h"
#include "ui/framework/Seams.h"
#include "ui/framework/Windows.h"
#include "ui/series/FieldExit.h"
#include "ui_USweep.h"

using morvane::ui::Sim;
namespace mui = morvane::ui;
namespace fig = morvane::figure;

namespace {

// The models in the order of the model list, under morvane-sweep's names.
struct ModelChoice {
  morvane::Model model;
  const char *name;
  const char *caption;
};
constexpr ModelChoice kModels[] = {
    {morvane::Model::HaploidLocal, "haploid-local", "Haploids, local panmixia"},
    {morvane::Model::HaploidGlobal, "haploid-global", "Haploids, global panmixia"},
    {morvane::Model::DiploidLocal, "diploid-local", "Diploids, local panmixia"},
    {morvane::Model::DiploidGlobal, "diploid-global", "Diploids, global panmixia"},
    {morvane::Model::Clonal, "clonal", "Clones"},
};

// Each parameter's caption and the text its field starts with (the input
// windows' initial texts).
struct ParamText {
  const char *option;
  const char *caption;
  const char *initial;
};
constexpr ParamText kParamTexts[] = {
    {"x", "x, proportion of soft regulation", "1"},
    {"d", "d, migration survival", "1"},
    {"c", "c, frequency of habitat 1", "0.5"},
    {"i", "i, tries of [AB]", "1"},
    {"j", "j, tries of [aB]", "1"},
    {"W1A", "W1(A), survival of [A] in habitat 1", "1"},
    {"W2A", "W2(A), survival of [A] in habitat 2", "1"},
    {"W1a", "W1(a), survival of [a] in habitat 1", "1"},
    {"W2a", "W2(a), survival of [a] in habitat 2", "1"},
    {"L", "L, stop threshold", "0.000001"},
    {"p", "p, initial frequency of A", "0.5"},
    {"q", "q, initial frequency of B", "0.5"},
    {"DG", "DG0, initial disequilibrium", "0"},
    {"fAB", "f(AB), initial frequency", "0"},
    {"fAb", "f(Ab), initial frequency", "0.5"},
    {"faB", "f(aB), initial frequency", "0"},
    {"fab", "f(ab), initial frequency", "0.5"},
};

const ParamText &TextOf(const char *option) {
  for (const ParamText &t : kParamTexts)
    if (std::string(t.option) == option)
      return t;
  return kParamTexts[0];
}

constexpr const char *kTradeOffs[] = {"none", "linear", "convex", "concave"};

// The Fitness Menu's field of a survival, or nullptr for another option.
QLineEdit *SurvivalField(const FitnessGroupBox &fitness, const std::string &option) {
  return option == "W1A"   ? fitness.W1AField()
         : option == "W1a" ? fitness.W1aField()
         : option == "W2A" ? fitness.W2AField()
         : option == "W2a" ? fitness.W2aField()
                           : nullptr;
}

// A field's text as morvane-sweep takes it: '.' for the decimal separator.
std::string ArgumentText(const QString &text) {
  QString t = text.trimmed();
  t.replace(QChar(mui::DecimalSeparator()), QChar('.'));
  return t.toStdString();
}

QString Quoted(const std::string &arg) {
  const QString a = QString::fromStdString(arg);
  static const QString plain =
      QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_./=:,+@%");
  bool needsQuotes = a.isEmpty();
  for (const QChar c : a)
    needsQuotes = needsQuotes || !plain.contains(c);
  if (!needsQuotes)
    return a;
  QString q = a;
  q.replace(QLatin1String("'"), QLatin1String("'\\''"));
  return "'" + q + "'";
}

// The Show list's caption of an output: the table's column names but for
// the analysis's outputs, which the map's title names.
QString ShowCaption(const std::string &output) {
  static const std::pair<const char *, const char *> named[] = {
      {"lambdaA", "Invasion of A"}, {"lambdaB", "Invasion of B"}, {"radius", "Stability"}};
  for (const auto &[name, caption] : named)
    if (output == name)
      return QString::fromLatin1(caption);
  return output == "class" || output == "stableCount" ? fig::Symbol(output)
                                                      : QString::fromStdString(output);
}

// A duration as "45 s", "12 min" or "3.5 h".
QString DurationText(double seconds) {
  if (seconds < 90)
    return QStringLiteral("%1 s").arg(std::max(1.0, seconds), 0, 'f', 0);
  if (seconds < 5400)
    return QStringLiteral("%1 min").arg(seconds / 60, 0, 'f', 0);
  return QStringLiteral("%1 h").arg(seconds / 3600, 0, 'f', 1);
}

} // namespace

TFrmSweep::TFrmSweep(QWidget *parent)
    : MorvaneForm(parent), ui_(std::make_unique<Ui::TFrmSweep>()), poll_(new QTimer(this)) {
  ui_->setupUi(this);
  map_ = new mui::SweepMapView(ui_->GrpMap);
  map_->setObjectName(QStringLiteral("SweepMap"));
  ui_->MapLayout->addWidget(map_, 1);
  // The map keeps its size from the first Go: the texts that change during a
  // run wrap (USweep.ui) instead of widening the form's column.
  map_->setMinimumSize(400, 200);
  // The command is as long as it is: it scrolls in its field rather than
  // widening the form (and the window past a 1024-pixel screen).
  mui::KeepFieldWidth(ui_->TxtCommand);
  // Where the series of a clicked point writes its Detail and Plot files:
  // a scratch folder unless named here.
  auto *pointFiles = new QFormLayout;
  pointFiles->setRowWrapPolicy(QFormLayout::WrapAllRows); // as narrow as the map
  for (const auto &[field, caption] :
       {std::pair<QLineEdit **, const char *>{&pointDetail_, "Point's &Detail file:"},
        {&pointPlot_, "Point's Plo&t file:"}}) {
    *field = new QLineEdit(ui_->GrpMap);
    (*field)->setPlaceholderText(QStringLiteral("(a scratch folder)"));
    auto *label = new QLabel(QString::fromUtf8(caption), ui_->GrpMap);
    label->setBuddy(*field);
    pointFiles->addRow(label, *field);
  }
  pointDetail_->setObjectName(QStringLiteral("TxtPointDetail"));
  pointPlot_->setObjectName(QStringLiteral("TxtPointPlot"));
  ui_->MapLayout->addLayout(pointFiles);
  map_->onPointClicked = [this](std::size_t point) {
    Guard([this, point] { ShowPointSeries(point); });
  };
  map_->onPointMenu = [this](std::size_t point, QPoint at) {
    Guard([this, point, at] {
      const std::unique_ptr<QMenu> menu(PointMenu(point));
      menu->exec(at);
    });
  };
  connect(ui_->CmbShow, qOverload<int>(&QComboBox::activated), this, [this] {
    // An output the sweep drawn has (the list follows the form, which may
    // have been changed since).
    const std::vector<std::string> drawn = morvane::SweepMapOutputs(map_->Figure().Plan());
    if (std::find(drawn.begin(), drawn.end(), ShownOutput()) != drawn.end())
      map_->SetOutput(ShownOutput());
  });
  // Its captions grow with the analysis's outputs.
  ui_->CmbShow->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  // The analysis: K starts only for an analysed sweep; the Show list offers
  // what the sweep will have.
  connect(ui_->ChkAnalyse, &QCheckBox::toggled, this, [this](bool analysed) {
    ui_->TxtStarts->setEnabled(analysed);
    FillOutputChoices();
  });
  connect(ui_->TxtStarts, &QLineEdit::textChanged, this, [this] { FillOutputChoices(); });
  SetBackground(mui::kAqua);
  for (const ModelChoice &m : kModels)
    ui_->CmbModel->addItem(m.caption);
  ui_->GrpBxFitness->Attach(*this, FitnessGroupBox::Variant::Sexual, scratch_);
  BuildParameterFields();
  ui_->TxtThreads->setText(QString::number(QThread::idealThreadCount()));
  ui_->TxtCount1->setText("11");
  ui_->TxtFinal->setText("Sweep.mrv");
  SelectModel(morvane::Model::HaploidLocal);
  // No trade-off at first: every survival is typed.
  ui_->GrpBxFitness->ResetOnShow();
  ui_->GrpBxFitness->W1AField()->setEnabled(true);
  ui_->GrpBxFitness->W1aField()->setEnabled(true);

  connect(ui_->CmbModel, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
    if (index >= 0)
      Guard([this, index] { SelectModel(kModels[index].model); });
  });
  connect(ui_->TxtFinal, &QLineEdit::textChanged, this, [this] { ShowTableName(); });
  ShowTableName();
  for (int row : {1, 2}) {
    QLineEdit *from = row == 1 ? ui_->TxtFrom1 : ui_->TxtFrom2;
    QLineEdit *to = row == 1 ? ui_->TxtTo1 : ui_->TxtTo2;
    OnFieldExit(from, [this, from, row] { CheckVaryEnd(from, row); });
    OnFieldExit(to, [this, to, row] { CheckVaryEnd(to, row); });
  }
  OnClick(ui_->BtnGo, [this] { BtnGoClick(); });
  OnClick(ui_->BtnCancel, [this] { BtnCancelClick(); });
  OnClick(ui_->BtnFinal, [this] { BtnFinalClick(); });
  OnClick(ui_->BtnCommand, [this] { BtnCommandClick(); });
  OnClick(ui_->BtnOpen, [this] { BtnOpenClick(); });
  OnClick(ui_->BtnSaveMap, [this] { BtnSaveMapClick(); });
  OnClick(ui_->BtnBack, [this] { BtnBackClick(); });
  OnTrigger(ui_->Morvanev2Help1, [] { mui::HelpMenuRequested(); });
  connect(poll_, &QTimer::timeout, this, [this] { Guard([this] { Poll(); }); });
  mui::MakeDisplayFieldsReadable(this);
  SetTabOrder();
}

void TFrmSweep::SetTabOrder() {
  // Reading order: the model, the parameters, the Fitness Menu (in its own
  // order), the ranges, the run, the buttons, the command, then the map's.
  std::vector<QWidget *> order = {ui_->CmbModel};
  for (const std::vector<ParamField> *fields : {&sexualFields_, &clonalFields_})
    for (const ParamField &p : *fields)
      if (!SurvivalField(*ui_->GrpBxFitness, p.rule->option))
        order.push_back(p.field);
  std::vector<QWidget *> fitness;
  for (QWidget *w = ui_->GrpBxFitness->nextInFocusChain(); w != ui_->GrpBxFitness;
       w = w->nextInFocusChain()) {
    if (std::find(fitness.begin(), fitness.end(), w) != fitness.end())
      break; // round the whole chain
    if (ui_->GrpBxFitness->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus))
      fitness.push_back(w);
  }
  order.insert(order.end(), fitness.begin(), fitness.end());
  order.insert(order.end(),
               {ui_->CmbVary1,   ui_->TxtFrom1,   ui_->TxtTo1,    ui_->TxtCount1,  ui_->CmbVary2,
                ui_->TxtFrom2,   ui_->TxtTo2,     ui_->TxtCount2, ui_->TxtThreads, ui_->TxtMaxGen,
                ui_->TxtFinal,   ui_->BtnFinal,   ui_->ChkResume, ui_->ChkAnalyse, ui_->TxtStarts,
                ui_->BtnGo,      ui_->BtnCancel,  ui_->BtnBack,   ui_->BtnCommand, ui_->BtnOpen,
                ui_->BtnSaveMap, ui_->TxtCommand, ui_->CmbShow,   pointDetail_,    pointPlot_});
  for (std::size_t k = 1; k < order.size(); ++k)
    QWidget::setTabOrder(order[k - 1], order[k]);
}

TFrmSweep::~TFrmSweep() {
  // A point's series still running writes into the scratch folder: it ends
  // first.
  if (pointRun_)
    pointRun_->wait();
}

void TFrmSweep::BuildParameterFields() {
  auto *grid = ui_->ParamGrid;
  int row = 0;
  const auto build = [&](const std::vector<const morvane::FieldRule *> &rules,
                         std::vector<ParamField> &fields, const char *suffix) {
    for (const morvane::FieldRule *rule : rules) {
      const ParamText &text = TextOf(rule->option);
      QString initial = text.initial;
      initial.replace(QChar('.'), QChar(mui::DecimalSeparator()));
      // The survivals are the Fitness Menu's fields, with its exits.
      if (QLineEdit *survival = SurvivalField(*ui_->GrpBxFitness, rule->option)) {
        survival->setText(initial);
        fields.push_back({rule, survival});
        continue;
      }
      auto *label = new QLabel(text.caption, this);
      auto *field = new QLineEdit(this);
      field->setObjectName(QStringLiteral("Txt") + rule->option + suffix);
      label->setObjectName(QStringLiteral("Lbl") + rule->option + suffix);
      label->setBuddy(field);
      field->setText(initial);
      // One column, beside the Fitness Menu.
      grid->addWidget(label, row, 0);
      grid->addWidget(field, row, 1);
      ++row;
      fields.push_back({rule, field});
      const ParamField p = fields.back();
      const bool clone = std::string(suffix) == "Clone" && rule->option[0] == 'f';
      OnFieldExit(field, [this, p, clone] {
        if (CheckParam(p) && clone)
          KeepClonesSummingToOne();
      });
    }
  };
  build(morvane::SexualInputFields(), sexualFields_, "");
  row = 0;
  build(morvane::ClonalInputFields(), clonalFields_, "Clone");
}

morvane::Model TFrmSweep::CurrentModel() const {
  return kModels[std::max(0, ui_->CmbModel->currentIndex())].model;
}

void TFrmSweep::SelectModel(morvane::Model model) {
  for (int k = 0; k < int(std::size(kModels)); ++k)
    if (kModels[k].model == model && ui_->CmbModel->currentIndex() != k)
      ui_->CmbModel->setCurrentIndex(k);
  const bool clonal = model == morvane::Model::Clonal;
  // Each model its own fields; the Fitness Menu serves both.
  for (const auto &[fields, suffix, shown] :
       {std::tuple<const std::vector<ParamField> &, const char *, bool>{sexualFields_, "", !clonal},
        {clonalFields_, "Clone", clonal}})
    for (const ParamField &p : fields) {
      if (SurvivalField(*ui_->GrpBxFitness, p.rule->option))
        continue;
      p.field->setVisible(shown);
      ui_->ParamGrid->parentWidget()
          ->findChild<QLabel *>(QStringLiteral("Lbl") + p.rule->option + suffix)
          ->setVisible(shown);
    }
  ui_->GrpBxFitness->SetVariant(clonal ? FitnessGroupBox::Variant::Clonal
                                       : FitnessGroupBox::Variant::Sexual);
  // The fields' values as the rules stored them, for the DG range; the
  // Fitness Menu's trade-off and ESS stay as chosen.
  const morvane::TradeOffRule tradeOff = morvane::TradeOffOfFlags(scratch_);
  const std::string ess = scratch_.ESSStatus;
  scratch_ = morvane::SimState{};
  morvane::ChooseTradeOff(scratch_, tradeOff);
  scratch_.ESSStatus = ess;
  for (const ParamField &p : clonal ? clonalFields_ : sexualFields_)
    morvane::StoreFieldEntry(*p.rule, p.field->text().toStdString(), mui::DecimalSeparator(),
                             scratch_);
  FillVaryChoices();
  FillOutputChoices();
}

void TFrmSweep::FillOutputChoices() { ShowOutputsOf(FormOutputs()); }

morvane::SweepPlan TFrmSweep::FormOutputs() const {
  morvane::SweepPlan plan;
  plan.model = CurrentModel();
  plan.analyse = ui_->ChkAnalyse->isChecked();
  // K as Go gives it (1: none); a K the sweep would refuse offers no count.
  const auto k = morvane::TextToReal(ArgumentText(ui_->TxtStarts->text()));
  if (plan.analyse && k && *k >= morvane::kMinStarts && *k <= morvane::kMaxStarts)
    plan.starts = int(*k);
  return plan;
}

std::string TFrmSweep::ShownOutput() const {
  return ui_->CmbShow->currentData().toString().toStdString();
}

void TFrmSweep::ShowOutputsOf(const morvane::SweepPlan &plan) {
  const QVariant was = ui_->CmbShow->currentData();
  ui_->CmbShow->clear();
  for (const std::string &output : morvane::SweepMapOutputs(plan))
    ui_->CmbShow->addItem(ShowCaption(output), QString::fromStdString(output));
  const int k = ui_->CmbShow->findData(was);
  ui_->CmbShow->setCurrentIndex(k >= 0 ? k : 0);
}

void TFrmSweep::FillVaryChoices() {
  const bool clonal = CurrentModel() == morvane::Model::Clonal;
  for (QComboBox *box : {ui_->CmbVary1, ui_->CmbVary2}) {
    const QString was = box->currentText();
    box->clear();
    if (box == ui_->CmbVary2)
      box->addItem(QStringLiteral("(none)"));
    for (const ParamField &p : clonal ? clonalFields_ : sexualFields_)
      box->addItem(p.rule->option);
    const int k = box->findText(was);
    box->setCurrentIndex(k >= 0 ? k : 0);
  }
}

void TFrmSweep::ShowTableName() {
  const std::string final = ui_->TxtFinal->text().toStdString();
  ui_->LblTable->setText(final.empty() ? QString()
                                       : QString::fromStdString(morvane::SweepTableName(final)));
}

void TFrmSweep::FitnessFieldExit(QLineEdit *field, std::function<void()> handler) {
  OnFieldExit(field, std::move(handler));
}
void TFrmSweep::FitnessGuard(const std::function<void()> &handler) { Guard(handler); }
void TFrmSweep::FitnessClick(const std::function<void()> &handler) { GuardClick(handler); }
void TFrmSweep::FitnessMessage(const QString &text) { ShowMessage(text); }
void TFrmSweep::CheckField(QLineEdit *field, const morvane::FieldRule &rule) {
  if (!mui::RunFieldRule(field, rule, scratch_))
    ShowFieldMessage(field, rule.message);
}

void TFrmSweep::FormShow() {
  // The form shows the sweep drawn: the main window's model is taken only
  // while none is.
  if (Running() || map_->RowsDrawn() > 0)
    return;
  if (const auto model = morvane::SelectedSexualModel(Sim()))
    SelectModel(*model);
  else if (Sim().ModeClonal)
    SelectModel(morvane::Model::Clonal);
}

bool TFrmSweep::CheckParam(const ParamField &p) {
  if (mui::RunFieldRule(p.field, *p.rule, scratch_))
    return true;
  ShowFieldMessage(p.field, p.rule->message);
  return false;
}

void TFrmSweep::KeepClonesSummingToOne() {
  // As the clonal input window does on a field exit: an exact sum of 1 is
  // kept, a sum of 0 refused and the frequencies reset, any other divided.
  const morvane::CloneSum sum = morvane::CheckCloneSum(scratch_);
  if (sum == morvane::CloneSum::One)
    return;
  if (sum == morvane::CloneSum::Zero) {
    ShowMessage(QStringLiteral("Sum = 0, very funny!"));
    morvane::ResetCloneFrequencies(scratch_);
  } else {
    morvane::NormaliseCloneFrequencies(scratch_);
  }
  std::array<QLineEdit *, 4> fields{};
  std::size_t k = 0;
  for (const ParamField &p : clonalFields_)
    if (p.rule->option[0] == 'f' && k < fields.size())
      fields[k++] = p.field;
  mui::ShowCloneFrequencies(fields, scratch_);
}

void TFrmSweep::CheckVaryEnd(QLineEdit *field, int row) {
  // An empty end is left alone until Go, which names it.
  if (field->text().trimmed().isEmpty())
    return;
  const QString option = (row == 1 ? ui_->CmbVary1 : ui_->CmbVary2)->currentText();
  const morvane::FieldRule *rule = morvane::RunnerField(CurrentModel(), option.toStdString());
  if (!rule)
    return;
  // The end of the range is checked as the parameter's own field checks it,
  // against the other values as they stand.
  morvane::SimState s = scratch_;
  if (!mui::RunFieldRule(field, *rule, s))
    ShowFieldMessage(field, rule->message);
}

std::vector<std::string> TFrmSweep::SweepArguments() const {
  const morvane::Model model = CurrentModel();
  std::vector<std::string> args = {"--model", kModels[ui_->CmbModel->currentIndex()].name};
  std::vector<std::string> varied;
  for (int row : {1, 2}) {
    const QString option = (row == 1 ? ui_->CmbVary1 : ui_->CmbVary2)->currentText();
    if (row == 2 && ui_->CmbVary2->currentIndex() <= 0)
      continue;
    varied.push_back(option.toStdString());
  }
  // The Fitness Menu's choices; the survivals they compute are locked, and
  // left out (morvane-sweep computes them the same way).
  const morvane::TradeOffRule tradeOff = morvane::TradeOffOfFlags(scratch_);
  if (tradeOff != morvane::TradeOffRule::None)
    args.insert(args.end(), {"--trade-off", kTradeOffs[int(tradeOff)]});
  if (tradeOff == morvane::TradeOffRule::Linear && scratch_.ESSStatus == "LinESS")
    args.push_back("--ess");
  for (const ParamField &p : model == morvane::Model::Clonal ? clonalFields_ : sexualFields_) {
    const std::string option = p.rule->option;
    if (!p.field->isEnabled() || std::find(varied.begin(), varied.end(), option) != varied.end())
      continue;
    // A value left at its initial text is morvane-sweep's default: not
    // given, so that the command (and the table's first line, which records
    // the options given) is the one a user would type.
    const std::string value = ArgumentText(p.field->text());
    if (value != TextOf(p.rule->option).initial)
      args.insert(args.end(), {"--" + option, value});
  }
  for (int row : {1, 2}) {
    if (row == 2 && ui_->CmbVary2->currentIndex() <= 0)
      continue;
    const auto *ui = ui_.get();
    const QString option = (row == 1 ? ui->CmbVary1 : ui->CmbVary2)->currentText();
    args.insert(args.end(),
                {"--vary", option.toStdString() + "=" +
                               ArgumentText((row == 1 ? ui->TxtFrom1 : ui->TxtFrom2)->text()) +
                               ":" + ArgumentText((row == 1 ? ui->TxtTo1 : ui->TxtTo2)->text()) +
                               ":" +
                               ArgumentText((row == 1 ? ui->TxtCount1 : ui->TxtCount2)->text())});
  }
  if (!ui_->TxtMaxGen->text().trimmed().isEmpty())
    args.insert(args.end(), {"--max-generations", ArgumentText(ui_->TxtMaxGen->text())});
  // K = 1 is one start, the end state's: no count of stable equilibria.
  if (ui_->ChkAnalyse->isChecked()) {
    args.push_back("--analyse");
    if (const std::string k = ArgumentText(ui_->TxtStarts->text()); k != "1")
      args.insert(args.end(), {"--starts", k});
  }
  args.insert(args.end(), {"--jobs", ArgumentText(ui_->TxtThreads->text()), "--final",
                           ui_->TxtFinal->text().toStdString()});
  if (ui_->ChkResume->isChecked())
    args.push_back("--resume");
  return args;
}

QString TFrmSweep::CommandLine() const {
  // The morvane-sweep beside this program, by its path, so that the line
  // runs as shown from the current folder (a build's programs are on no
  // PATH); the bare name when there is none beside it.
  const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/morvane-sweep");
  QString line = QFileInfo(beside).isExecutable()
                     ? Quoted(QFileInfo(beside).canonicalFilePath().toStdString())
                     : QStringLiteral("morvane-sweep");
  for (const std::string &arg : SweepArguments())
    line += ' ' + Quoted(arg);
  return line;
}

void TFrmSweep::BtnCommandClick() { ui_->TxtCommand->setText(CommandLine()); }

void TFrmSweep::BtnFinalClick() {
  const QString name =
      mui::FileDialogs().SaveFileName(this, ui_->TxtFinal->text(), QStringLiteral("mrv"),
                                      QStringLiteral("mrv"), QStringLiteral("*.mrv"));
  ui_->TxtFinal->setText(name);
}

void TFrmSweep::BtnGoClick() {
  if (Running())
    return;
  // An empty end of a range is named at Go, in its field.
  for (QLineEdit *end : {ui_->TxtFrom1, ui_->TxtTo1, ui_->TxtCount1})
    if (end->text().trimmed().isEmpty()) {
      ShowFieldMessage(end, QStringLiteral("Vary %1: From, To and Count need a value")
                                .arg(ui_->CmbVary1->currentText()));
      return;
    }
  if (ui_->CmbVary2->currentIndex() > 0)
    for (QLineEdit *end : {ui_->TxtFrom2, ui_->TxtTo2, ui_->TxtCount2})
      if (end->text().trimmed().isEmpty()) {
        ShowFieldMessage(end, QStringLiteral("Vary %1: From, To and Count need a value")
                                  .arg(ui_->CmbVary2->currentText()));
        return;
      }
  morvane::SweepOptions options;
  try {
    options = morvane::ParseSweepOptions(SweepArguments());
  } catch (const morvane::UsageError &e) {
    ShowRefusal(e.what());
    return;
  }
  // The Final file's folder must be there: named as a folder, not as the
  // temporary file the sweep would have made in it.
  const QFileInfo final(QString::fromStdString(options.finalFile));
  if (!final.absoluteDir().exists()) {
    ShowFieldMessage(ui_->TxtFinal, QStringLiteral("Final file: the folder %1 does not exist")
                                        .arg(QDir::toNativeSeparators(final.absolutePath())));
    return;
  }
  if (!ExtensionAgreed(options) || !LargeSweepAgreed(options))
    return;
  ui_->TxtCommand->setText(CommandLine() + (options.extend ? QStringLiteral(" --extend") : ""));
  job_ = std::make_unique<mui::SweepJob>();
  finishedShown_ = false;
  shownPlan_ = options.plan;
  map_->SetPlan(options.plan, ShownOutput());
  LockForm(true);
  job_->Start(std::move(options), [this] {
    QMetaObject::invokeMethod(
        this, [this] { Guard([this] { Poll(); }); }, Qt::QueuedConnection);
  });
  lastRowAt_ = -1;
  Poll();
  poll_->start(100);
}

bool TFrmSweep::ExtensionAgreed(morvane::SweepOptions &options) {
  std::optional<morvane::SweepExtension> extension;
  try {
    extension = morvane::ExtensionOf(options);
  } catch (const morvane::UsageError &) {
    return true; // another sweep: the run refuses it, naming it
  }
  if (!extension)
    return true;
  if (!mui::Messages().AskYesNo(this, QStringLiteral("%1 holds this sweep on another grid.\n"
                                                     "Extend the sweep (%L2 points kept, %L3 new)?")
                                          .arg(QString::fromStdString(options.finalFile))
                                          .arg(qulonglong(extension->kept))
                                          .arg(qulonglong(extension->run))))
    return false;
  options.extend = true;
  return true;
}

bool TFrmSweep::LargeSweepAgreed(const morvane::SweepOptions &options) {
  // A point writes a table row and a Final record: some 500 bytes.
  constexpr double kBytesPerPoint = 500;
  const morvane::SweepPlan &plan = options.plan;
  const std::size_t points =
      (plan.Points() + plan.shardCount - 1 - plan.shardIndex) / plan.shardCount;
  const double bytes = kBytesPerPoint * double(points);
  const QStorageInfo disk(QFileInfo(QString::fromStdString(options.finalFile)).absolutePath());
  const double free = disk.isValid() ? double(disk.bytesAvailable()) : -1;
  if (points <= 100000 && bytes <= 100e6 && (free < 0 || bytes <= free / 10))
    return true;
  const QString size = bytes >= 1e9 ? QStringLiteral("%1 GB").arg(bytes / 1e9, 0, 'f', 1)
                                    : QStringLiteral("%1 MB").arg(bytes / 1e6, 0, 'f', 0);
  QString text =
      QStringLiteral("This sweep has %L1 points. Its table and Final file will take about %2")
          .arg(qulonglong(points))
          .arg(size);
  if (free >= 0)
    text += QStringLiteral(" of the %1 GB free there").arg(free / 1e9, 0, 'f', 1);
  ui_->LblProgress->setText(QStringLiteral("Timing a sample of the points..."));
  ui_->LblProgress->repaint();
  const std::optional<double> seconds = mui::EstimateSweepSeconds(options, 1.0);
  ui_->LblProgress->clear();
  if (seconds)
    text += QStringLiteral(".\nIt would take about %1 on %2 threads (timed on a sample of its "
                           "points)")
                .arg(DurationText(*seconds))
                .arg(options.jobs);
  else
    text += QStringLiteral(".\nNo point of a sample of them ended within a second: it would take "
                           "long");
  text += QStringLiteral(".\nCancel keeps what is done. Run it?");
  return mui::Messages().AskYesNo(this, text);
}

void TFrmSweep::BtnCancelClick() {
  if (Running() && !job_->Cancelled()) {
    job_->Cancel();
    ui_->BtnCancel->setEnabled(false);
    ui_->LblProgress->setText(QStringLiteral("Cancelling..."));
  }
}

void TFrmSweep::BtnBackClick() {
  if (!AskToStopSweep())
    return;
  CloseForm();
  mui::ShowWindow(mui::Windows().frmMorvane);
}

bool TFrmSweep::AskToStopSweep() {
  if (!Running())
    return true;
  if (!mui::Messages().AskYesNo(
          this, QStringLiteral("A sweep is running. Cancel it and close the window?\n"
                               "The points done are kept: \"Resume\" goes on from them."))) {
    return false;
  }
  // The points in hand are dropped at once; those done are written.
  job_->Cancel();
  EndOfRun();
  return true;
}

void TFrmSweep::keyPressEvent(QKeyEvent *e) {
  if (e->key() == Qt::Key_Escape) {
    GuardClick([this] { BtnBackClick(); });
    return;
  }
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
      !qobject_cast<QAbstractButton *>(focusWidget())) {
    // Go, once the field the focus is in has been left (GuardClick).
    if (ui_->BtnGo->isEnabled())
      GuardClick([this] { BtnGoClick(); });
    return;
  }
  MorvaneForm::keyPressEvent(e);
}

void TFrmSweep::LockForm(bool locked) {
  if (!locked) {
    for (const auto &[widget, was] : locked_) {
      if (auto *field = qobject_cast<QLineEdit *>(widget))
        field->setReadOnly(was);
      else
        widget->setEnabled(was);
    }
    locked_.clear();
    ui_->BtnGo->setEnabled(true);
    ui_->BtnCancel->setEnabled(false);
    return;
  }
  locked_.clear();
  // The fields stay enabled (what the command gives depends on it) and
  // become read-only; the choices and buttons are shut.
  QWidget *form = ui_->centralwidget;
  for (QLineEdit *field : form->findChildren<QLineEdit *>()) {
    if (field == ui_->TxtCommand || map_->isAncestorOf(field))
      continue;
    locked_.emplace_back(field, field->isReadOnly());
    field->setReadOnly(true);
  }
  for (QWidget *w : form->findChildren<QWidget *>()) {
    const bool choice = qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w);
    if (!choice || w == ui_->BtnCancel || w == ui_->BtnSaveMap || w == ui_->BtnCommand ||
        w == ui_->BtnBack || w == ui_->CmbShow)
      continue;
    locked_.emplace_back(w, w->isEnabled());
    w->setEnabled(false);
  }
  ui_->BtnCancel->setEnabled(true);
}

void TFrmSweep::Poll() {
  if (!job_ || finishedShown_)
    return;
  const double seconds = job_->SecondsRunning();
  const std::size_t points = job_->Options().plan.Points();
  if (job_->Checking() && !job_->Cancelled()) {
    ui_->LblProgress->setText(QStringLiteral("Checking the %L1 points... %2 s")
                                  .arg(qulonglong(points))
                                  .arg(seconds, 0, 'f', 0));
    return;
  }
  const std::size_t before = job_->RowsRead();
  map_->AppendRows(job_->TakeNewRows());
  const std::size_t done = job_->RowsRead();
  if (done > before || lastRowAt_ < 0)
    lastRowAt_ = seconds;
  // The rate over the whole run: while slow points hold the next rows back
  // it falls, and the time left grows with the time they take.
  const double rate = seconds > 0 ? double(done) / seconds : 0;
  QString text = QStringLiteral("%L1 of %L2 points, %3 points/s")
                     .arg(qulonglong(done))
                     .arg(qulonglong(points))
                     .arg(rate, 0, 'f', 1);
  if (rate > 0 && done < points)
    text += QStringLiteral(", %1 s left").arg(double(points - done) / rate, 0, 'f', 0);
  if (done < points && seconds - lastRowAt_ >= 2)
    text += QStringLiteral(" (slow points running for %1 s)").arg(seconds - lastRowAt_, 0, 'f', 0);
  if (!job_->Cancelled())
    ui_->LblProgress->setText(text);
  if (job_->Ended())
    EndOfRun();
}

void TFrmSweep::EndOfRun() {
  poll_->stop();
  finishedShown_ = true;
  LockForm(false);
  const morvane::SweepOptions &o = job_->Options();
  try {
    const morvane::SweepRun run = job_->Finish();
    map_->AppendRows(job_->TakeNewRows());
    const QString seconds = QString::number(job_->SecondsRunning(), 'f', 1);
    if (run.alreadyDone)
      ShowMessage(QString::fromStdString("Already done: " + o.finalFile + " and " + o.tableFile +
                                         " hold this sweep whole"));
    else if (!run.Complete() && job_->Cancelled())
      ui_->LblProgress->setText(QStringLiteral("Cancelled at %1 of %2 points; Resume goes on")
                                    .arg(run.pointsDone)
                                    .arg(run.points));
    else if (!run.Complete())
      ShowMessage(QString::fromStdString(
          "Interrupted: " + std::to_string(run.pointsDone) + " of " + std::to_string(run.points) +
          " points are kept in " + morvane::PartName(o.finalFile) + " and " +
          morvane::PartName(o.tableFile) + ";\ntick \"Resume\" and press Go to go on"));
    else if (job_->Cancelled())
      ui_->LblProgress->setText(
          QStringLiteral("Done: %1 points in %2 s (the last point came before Cancel)")
              .arg(run.points)
              .arg(seconds));
    else if (run.pointsKept > 0)
      ui_->LblProgress->setText(QStringLiteral("Done: %1 points in %2 s (%3 kept from the "
                                               "earlier grid)")
                                    .arg(run.points)
                                    .arg(seconds)
                                    .arg(run.pointsKept));
    else
      ui_->LblProgress->setText(
          QStringLiteral("Done: %1 points in %2 s").arg(run.points).arg(seconds));
    ui_->ChkResume->setChecked(!run.Complete());
  } catch (const morvane::UsageError &e) {
    ui_->LblProgress->clear();
    ShowRefusal(e.what());
  } catch (const morvane::FileError &e) {
    ui_->LblProgress->clear();
    ShowFieldMessage(ui_->TxtFinal,
                     QString::fromStdString(std::string(e.what()) + "\n" + e.Path()));
  }
}

QLineEdit *TFrmSweep::FieldOfRefusal(const std::string &message) const {
  const auto has = [&message](const std::string &part) {
    return message.find(part) != std::string::npos;
  };
  // A range: "--vary NAME=FROM:TO:COUNT: ..." names the row's parameter.
  if (const std::size_t at = message.find("--vary "); at != std::string::npos) {
    const std::string name = message.substr(at + 7, message.find('=', at) - at - 7);
    const int row = ui_->CmbVary1->currentText().toStdString() == name ? 1 : 2;
    if (has("COUNT must"))
      return row == 1 ? ui_->TxtCount1 : ui_->TxtCount2;
    QLineEdit *from = row == 1 ? ui_->TxtFrom1 : ui_->TxtFrom2;
    QLineEdit *to = row == 1 ? ui_->TxtTo1 : ui_->TxtTo2;
    // "... leaves LO..HI": the end outside the range, FROM when both are.
    if (const std::size_t leaves = message.rfind(" leaves "); leaves != std::string::npos) {
      const std::string range = message.substr(leaves + 8);
      const std::size_t dots = range.find("..");
      const auto lo = morvane::TextToReal(range.substr(0, dots));
      const auto hi = morvane::TextToReal(range.substr(dots + 2));
      const auto v = morvane::TextToReal(ArgumentText(from->text()));
      if (lo && hi && v && *v >= *lo && *v <= *hi)
        return to;
    }
    return from;
  }
  if (has("--jobs"))
    return ui_->TxtThreads;
  if (has("--max-generations"))
    return ui_->TxtMaxGen;
  if (has("--starts needs"))
    return ui_->TxtStarts;
  const std::string final = ui_->TxtFinal->text().toStdString();
  if (has("--final") || (!final.empty() && (message.compare(0, final.size(), final) == 0 ||
                                            has(morvane::SweepTableName(final)))))
    return ui_->TxtFinal;
  // A point's value out of its range: "DG0 out of Range at p=0 (point 0)".
  for (const ParamField &p :
       CurrentModel() == morvane::Model::Clonal ? clonalFields_ : sexualFields_)
    if (message.compare(0, std::strlen(p.rule->message), p.rule->message) == 0 &&
        p.field->isEnabled())
      return p.field;
  return nullptr;
}

QString TFrmSweep::InWindowWords(const std::string &message) {
  // The library speaks of morvane-sweep's options; the window of its fields
  // and boxes.
  QString text = QString::fromStdString(message);
  // "--vary c=0.2:0.8:0: COUNT must ..." -> "Vary c (From 0.2, To 0.8, Count 0): Count must ..."
  static const QRegularExpression vary(
      QStringLiteral("--vary (\\w+)=([^:\\s]*):([^:\\s]*):([^:\\s]*)"));
  text.replace(vary, QStringLiteral("Vary \\1 (From \\2, To \\3, Count \\4)"));
  const std::pair<const char *, const char *> words[] = {
      {"expected NAME=FROM:TO:COUNT", "From and To need numbers, Count a whole number"},
      {"FROM and TO must be numbers", "From and To must be numbers"},
      {"COUNT must be", "Count must be"},
      {"one point needs FROM = TO", "one point needs From = To"},
      {"--jobs needs", "Threads needs"},
      {"--max-generations", "Generation cap"},
      {"--final", "Final file"},
      {"--starts needs a whole number", "Starts K needs 1 (none) or a whole number"},
      {"without --analyse", "without \"Analyse equilibria\""},
      {"with --analyse", "with \"Analyse equilibria\""},
      {" --starts ", ", Starts K = "},
      {"give --resume to go on from it", "tick \"Resume an interrupted run\" to go on from it"},
      {"morvane-sweep writes new files only", "a sweep writes new files only"},
      {" (see --help)", ""},
  };
  for (const auto &[from, to] : words)
    text.replace(QLatin1String(from), QLatin1String(to));
  return text;
}

void TFrmSweep::ShowRefusal(const std::string &message) {
  if (QLineEdit *field = FieldOfRefusal(message))
    ShowFieldMessage(field, InWindowWords(message));
  else
    ShowMessage(InWindowWords(message));
}

void TFrmSweep::closeEvent(QCloseEvent *e) {
  if (!AskToStopSweep()) {
    e->ignore();
    return;
  }
  MorvaneForm::closeEvent(e);
}

QMenu *TFrmSweep::PointMenu(std::size_t point) {
  auto *menu = new QMenu(this);
  menu->addAction(QStringLiteral("&Series"), this,
                  [this, point] { Guard([this, point] { ShowPointSeries(point); }); });
  const morvane::RunnerOptions o = morvane::SweepPointOptions(shownPlan_, point);
  menu->addAction(QStringLiteral("&Phase plane"), this,
                  [o] { morvane::ui::OpenPhasePlane(o.model, o.params); });
  const char *captions[] = {"&Bifurcation diagram along %1", "Bifurcation &diagram along %1"};
  for (std::size_t k = 0; k < shownPlan_.axes.size() && k < 2; ++k) {
    const morvane::SweepAxis &axis = shownPlan_.axes[k];
    const auto from = morvane::TextToReal(axis.values.front());
    const auto to = morvane::TextToReal(axis.values.back());
    if (!morvane::analysis::ParameterNamed(axis.option) || !from || !to || !(*from < *to))
      continue;
    menu->addAction(QString::fromLatin1(captions[k]).arg(morvane::figure::Symbol(axis.option)),
                    this, [o, option = axis.option, from = *from, to = *to] {
                      OpenBifurcation(o.model, o.params)->Vary(option, from, to);
                    });
  }
  return menu;
}

void TFrmSweep::ShowPointSeries(std::size_t point) {
  if (pointRun_)
    return; // one point's series at a time
  if (!scratchDir_ || !scratchDir_->isValid())
    scratchDir_ = std::make_unique<QTemporaryDir>();
  if (!scratchDir_->isValid())
    throw morvane::FileError(errno, scratchDir_->path().toStdString());
  morvane::RunnerOptions o = morvane::SweepPointOptions(shownPlan_, point);
  const std::string base =
      scratchDir_->filePath(QStringLiteral("point-%1").arg(point)).toStdString();
  o.finalFile = base + ".mrv";
  const QString detailName = pointDetail_->text().trimmed(),
                plotName = pointPlot_->text().trimmed();
  o.detailFile = detailName.isEmpty() ? base + ".gnr" : detailName.toStdString();
  o.plotFile = plotName.isEmpty() ? base + ".plo" : plotName.toStdString();
  std::remove(o.finalFile.c_str());
  // The series runs on a thread of its own: the window stays usable, and
  // the chart opens when it ends.
  auto result = std::make_shared<PointSeries>();
  result->detailFile = o.detailFile;
  result->plotFile = o.plotFile;
  pointRun_ = QThread::create([o, result] {
    try {
      auto s = std::make_unique<morvane::SimState>();
      std::ostringstream out, err;
      morvane::RunSeries(o, *s, out, err);
      result->detail = morvane::ReadDetailFile(o.detailFile);
      result->plot = morvane::ReadPlotFile(o.plotFile);
      if (result->detail.Series.empty())
        throw std::runtime_error(o.detailFile + " holds no series");
    } catch (...) {
      result->error = std::current_exception();
    }
  });
  pointRun_->setParent(this);
  const QString shown = ui_->LblProgress->text();
  ui_->LblProgress->setText(QStringLiteral("Running the series of point %1...").arg(point));
  connect(pointRun_, &QThread::finished, this, [this, point, result, shown] {
    pointRun_->deleteLater();
    pointRun_ = nullptr;
    ui_->LblProgress->setText(shown);
    Guard([this, point, result] { ShowPointChart(point, *result); });
  });
  pointRun_->start();
}

void TFrmSweep::ShowPointChart(std::size_t point, PointSeries &run) {
  if (run.error)
    std::rethrow_exception(run.error);
  mui::StoredSeries series;
  series.Parameters = run.detail.Series.front().Parameters;
  // The files the point's series wrote, as the chart window names them.
  series.Parameters.DetailFileName = run.detailFile;
  series.Parameters.PlotFileName = run.plotFile;
  series.Table = std::make_shared<const morvane::PlotTable>(std::move(run.plot.Table));
  QString where;
  const std::array<std::size_t, 2> at = shownPlan_.Coordinates(point);
  for (std::size_t k = 0; k < shownPlan_.axes.size(); ++k)
    where += QString::fromStdString(", " + shownPlan_.axes[k].option + " = " +
                                    shownPlan_.axes[k].shown[at[k]]);
  series.Origin = QStringLiteral("Point %1 of the sweep%2.").arg(point).arg(where);
  // A point the cap cut is no equilibrium: the chart says so. (Its cross,
  // not the row's last cell, which an analysed sweep's outcome follows.)
  if (map_->Marked(point)) {
    QString cap = QStringLiteral("?");
    for (const morvane::CommandOption &o : shownPlan_.base)
      if (o.name == "max-generations" && o.value)
        cap = QString::fromStdString(*o.value);
    series.Origin +=
        QStringLiteral(" Not converged: stopped at the cap of %1 generations.").arg(cap);
  }
  auto *chart = qobject_cast<mui::PlotForm *>(shownPlan_.model == morvane::Model::Clonal
                                                  ? mui::Windows().FrmPlotVeg
                                                  : mui::Windows().FrmPlotSex);
  if (chart == nullptr)
    throw std::runtime_error("The chart window is missing");
  chart->ShowStoredSeries({std::move(series)});
  // Titled as the point's, and its Back comes back here rather than to the
  // plot menu, which drew nothing: both undone when the chart goes.
  if (!chartTitle_.contains(chart))
    chartTitle_.insert(chart, chart->windowTitle());
  chart->setWindowTitle(QStringLiteral("Point %1 of the sweep").arg(point));
  chart->installEventFilter(this);
}

bool TFrmSweep::eventFilter(QObject *watched, QEvent *e) {
  if (e->type() == QEvent::Hide && chartTitle_.contains(watched)) {
    auto *chart = static_cast<QWidget *>(watched);
    chart->removeEventFilter(this);
    chart->setWindowTitle(chartTitle_.take(watched));
    // The chart's Back opens the plot menu next: this window instead.
    QTimer::singleShot(0, this, [this] {
      if (MorvaneForm *menu = mui::Windows().FrmPlotMenu; menu && menu->isVisible())
        menu->CloseForm();
      ShowForm();
    });
  }
  return MorvaneForm::eventFilter(watched, e);
}

void TFrmSweep::BtnOpenClick() {
  if (Running())
    return;
  const QString name = mui::FileDialogs().OpenExistingFileName(
      this, ui_->TxtFinal->text(),
      {QStringLiteral("Final files (*.mrv)"), QStringLiteral("Sweep tables (*.tsv)"),
       QStringLiteral("Interrupted sweeps (*.part)")});
  if (name.isEmpty())
    return;
  // The table holds the plan and every point's results; an interrupted
  // sweep's, under its temporary name, those done so far.
  const std::string opened = name.toStdString();
  const std::string partEnd = ".part";
  const bool interrupted =
      opened.size() > partEnd.size() &&
      opened.compare(opened.size() - partEnd.size(), partEnd.size(), partEnd) == 0;
  std::string table, finalName;
  fig::SweepTable sweep;
  try {
    if (interrupted) {
      const std::string whole = opened.substr(0, opened.size() - partEnd.size());
      const bool isTable = whole.size() > 4 && whole.compare(whole.size() - 4, 4, ".tsv") == 0;
      finalName = isTable ? whole.substr(0, whole.size() - 4) + ".mrv" : whole;
      table = isTable ? opened : morvane::PartName(morvane::SweepTableName(whole));
    } else {
      const morvane::ShardFiles files = morvane::RecogniseShardFiles(opened);
      table = files.tableFile;
      finalName = files.finalFile;
    }
    sweep = fig::ParseSweepTable(morvane::ReadInput(table), table);
  } catch (const morvane::UsageError &e) {
    ShowMessage(QString::fromStdString(e.what()));
    return;
  }
  const morvane::SweepPlan &plan = sweep.plan;
  shownPlan_ = plan;
  // The form becomes the sweep drawn, so that Go resumes it.
  FillFormFromPlan(plan, QString::fromStdString(finalName));
  ui_->ChkResume->setChecked(interrupted);
  // The command of the sweep opened, which Go runs (no longer the last one).
  ui_->TxtCommand->setText(CommandLine());
  ShowOutputsOf(plan);
  map_->SetPlan(plan, ShownOutput());
  map_->AppendRows(std::move(sweep.rows));
  ui_->LblProgress->setText(QString::fromLatin1(interrupted ? "%1: %2 of %3 points; Resume goes on"
                                                            : "%1: %2 of %3 points")
                                .arg(QString::fromStdString(table))
                                .arg(map_->RowsDrawn())
                                .arg(plan.Points()));
}

void TFrmSweep::FillFormFromPlan(const morvane::SweepPlan &plan, const QString &final) {
  const auto shown = [](std::string text) {
    QString t = QString::fromStdString(text);
    t.replace(QChar('.'), QChar(mui::DecimalSeparator()));
    return t;
  };
  SelectModel(plan.model);
  const bool clonal = plan.model == morvane::Model::Clonal;
  // Free survivals first, so that every value given can be typed.
  ui_->GrpBxFitness->findChild<QAbstractButton *>(QStringLiteral("BtnNoTrade"))->click();
  std::string tradeOff = "none";
  bool ess = false;
  std::optional<std::string> cap;
  for (const ParamField &p : clonal ? clonalFields_ : sexualFields_)
    p.field->setText(shown(TextOf(p.rule->option).initial));
  for (const morvane::CommandOption &option : plan.base) {
    if (option.name == "trade-off")
      tradeOff = option.value.value_or("none");
    else if (option.name == "ess")
      ess = true;
    else if (option.name == "max-generations")
      cap = option.value;
    for (const ParamField &p : clonal ? clonalFields_ : sexualFields_)
      if (option.name == p.rule->option)
        p.field->setText(shown(option.value.value_or("")));
  }
  for (const ParamField &p : clonal ? clonalFields_ : sexualFields_)
    morvane::StoreFieldEntry(*p.rule, p.field->text().toStdString(), mui::DecimalSeparator(),
                             scratch_);
  const char *tradeButtons[] = {"BtnNoTrade", "BtnTradeLin", "BtnConvexTrade", "BtnConcaveTrade"};
  for (std::size_t k = 1; k < std::size(kTradeOffs); ++k)
    if (tradeOff == kTradeOffs[k])
      ui_->GrpBxFitness->findChild<QAbstractButton *>(tradeButtons[k])->click();
  if (ess)
    ui_->GrpBxFitness->findChild<QAbstractButton *>(QStringLiteral("BtnESS"))->click();
  // The ranges: NAME=FROM:TO:COUNT.
  for (std::size_t a = 0; a < 2; ++a) {
    QComboBox *box = a == 0 ? ui_->CmbVary1 : ui_->CmbVary2;
    QLineEdit *ends[] = {a == 0 ? ui_->TxtFrom1 : ui_->TxtFrom2, a == 0 ? ui_->TxtTo1 : ui_->TxtTo2,
                         a == 0 ? ui_->TxtCount1 : ui_->TxtCount2};
    if (a >= plan.axes.size()) {
      box->setCurrentIndex(0); // (none)
      continue;
    }
    const morvane::SweepAxis &axis = plan.axes[a];
    box->setCurrentIndex(box->findText(QString::fromStdString(axis.option)));
    const QStringList parts =
        QString::fromStdString(axis.given.substr(axis.option.size() + 1)).split(':');
    for (int k = 0; k < 3 && k < parts.size(); ++k)
      ends[k]->setText(k < 2 ? shown(parts[k].toStdString()) : parts[k]);
  }
  ui_->TxtMaxGen->setText(cap ? QString::fromStdString(*cap) : QString());
  ui_->ChkAnalyse->setChecked(plan.analyse);
  ui_->TxtStarts->setText(QString::number(plan.starts ? plan.starts : 1));
  ui_->TxtFinal->setText(final);
}

void TFrmSweep::BtnSaveMapClick() {
  if (map_->RowsDrawn() == 0)
    return;
  // The figure's settings as for a chart (one chart on the page), its name,
  // and the command that draws it again from the sweep's Final file.
  const fig::SweepFigure &shown = map_->Figure();
  fig::SaveFigureFile(
      this, fig::OneChartFigure(
                QStringLiteral("The sweep's figure"), QStringLiteral("Sweep"),
                [&](const fig::FigureSettings &settings, const QString &name) {
                  fig::FigureSettings recorded = settings;
                  QStringList words{QStringLiteral("morvane-plot"), QStringLiteral("--sweep"),
                                    ui_->TxtFinal->text(), QStringLiteral("--show"),
                                    QString::fromStdString(shown.Output())};
                  for (const std::string &w : fig::FigureOptionWords(recorded, true))
                    words << QString::fromStdString(w);
                  words << QStringLiteral("-o") << name;
                  recorded.record.command = fig::ShellCommand(words);
                  fig::WriteSweepFigure(shown.Plan(), shown.Rows(), shown.Output(), recorded, name);
                }));
}
