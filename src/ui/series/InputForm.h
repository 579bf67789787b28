// What the sexual and the clonal input windows have in common: the set-up of
// their controls, the field table that drives the field exits and Go's
// reading, what the fitness group asks of the window that holds it, the
// activation, the display handed to the series that Go starts, and the way
// back to the main window.
#pragma once

#include <functional>
#include <vector>

#include "engine/FieldRules.h"
#include "ui/series/FitnessGroup.h"
#include "ui/series/SeriesWindow.h"

class QAction;
class QLabel;
class QPushButton;

namespace morvane::ui {

class InputForm : public SeriesWindow, public FitnessGroupBox::Host {
public:
  // The common rule on one of this window's fields; after a bad entry its
  // message, with the window back to the front and the focus in the field.
  void CheckField(QLineEdit *field, const FieldRule &rule) override;

  void FitnessFieldExit(QLineEdit *field, std::function<void()> handler) override;
  void FitnessGuard(const std::function<void()> &handler) override;
  void FitnessClick(const std::function<void()> &handler) override;
  void FitnessMessage(const QString &text) override;

protected:
  explicit InputForm(QWidget *parent = nullptr);

  // The controls that both windows have, under their own names.
  struct Controls {
    FitnessGroupBox *fitness;
    FitnessGroupBox::Variant variant;
    QLineEdit *finalFile;
    QLineEdit *detailFile;
    QPushButton *go;
    QPushButton *back;
    QPushButton *analyse; // the phase plane of the parameters typed
    QAction *help;
    QLabel *picture;
    const char *pictureResource;
    std::vector<QLineEdit *> localisedFields; // shown in the locale's decimal form
  };
  // Connects the controls and the field table; `go` is Go's handler.
  void SetUpInputWindow(const Controls &controls, FieldTable fields, std::function<void()> go);

  // The fitness group's four fields as rows of the field table (Go reads
  // them in this order: W1(A), W2(A), W1(a), W2(a)).
  static FieldTable FitnessRows(const FitnessGroupBox &fitness);

  void FormShow() override;
  // The activation: the files in force shown (even when emptying the Plot
  // file fails), then `prepare`, whose file error ends the activation there,
  // then the fitness group reset. The field texts are left as the user typed
  // them; only the state is back at its defaults until the fields are left
  // or Go reads them.
  void ActivateInput(const std::function<void()> &prepare);

  // Go's reading of the field table.
  void ReadFields() const { SeriesWindow::ReadFields(fields_); }

private:
  // Back: this window closes and the main window shows again.
  void BackToMainWindow();
  // Analyse: every field checked by its rule and read as Go reads it, then
  // the phase plane of the parameters.
  void OpenAnalysis();

  Controls controls_{};
  FieldTable fields_;
};

} // namespace morvane::ui
