#include "ui/series/UPerturb.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include "engine/InitialState.h"
#include "engine/Series.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Windows.h"
#include "ui_UPerturb.h"

using morvane::ui::Sim;
namespace mui = morvane::ui;
namespace rules = morvane::rules;

TFrmPerturb1N::TFrmPerturb1N(QWidget *parent)
    : DisturbanceForm(parent), ui(std::make_unique<Ui::TFrmPerturb1N>()) {
  ui->setupUi(this);
  // After p or q: the range of DG follows, and the user goes on with DG. The
  // DG held is not checked against the new range here; Go checks it.
  const auto toDG = [this] {
    ShowDGRange(ui->TxtRangeDG);
    ui->TxtNewDG->setFocus(Qt::OtherFocusReason);
  };
  SetUpDisturbanceWindow({ui->BtnPerturb,
                          ui->BtnGoPert1N,
                          ui->BtnExit,
                          ui->Help1,
                          ui->BtnAnalyse,
                          ui->LblReached,
                          {ui->TxtNewp, ui->TxtNewq, ui->TxtNewDG, ui->BtnGoPert1N},
                          morvane::StopSexualSeries,
                          &mui::AppWindows::FrmPlotSex},
                         {{ui->TxtNewp, &mui::NewFreqARule(), toDG},
                          {ui->TxtNewq, &mui::NewFreqBRule(), toDG},
                          {ui->TxtNewDG, &rules::NewDG}},
                         [this] { BtnGoPert1NClick(); });
}

TFrmPerturb1N::~TFrmPerturb1N() = default;

void TFrmPerturb1N::FormShow() {
  BeginShow();
  ui->TxtNewp->setText(mui::RealText(Sim().FreqA));
  ui->TxtNewq->setText(mui::RealText(Sim().FreqB));
  ShowDGRange(ui->TxtRangeDG);
  ui->TxtNewDG->setText(mui::RealText(Sim().DG));
  AnnounceResult();
}

void TFrmPerturb1N::BtnGoPert1NClick() {
  ReadFields();
  if (!KeepDGInRange(ui->TxtRangeDG, ui->TxtNewDG, rules::NewDG))
    return;
  const std::optional<morvane::Model> model = morvane::SelectedSexualModel(Sim());
  if (!model || !morvane::IsHaploidSexual(*model))
    return;
  CloseAndRerun(*model, [](morvane::RunDisplay &display) {
    morvane::RerunHaploidSeries(Sim(), display, Sim().FreqA, Sim().FreqB, Sim().DG);
  });
}
