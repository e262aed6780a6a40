#include "app/calibration_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "app/hex_view.h"
#include "operations/calibration.h"

CalibrationValuesDialog::CalibrationValuesDialog(Use use, const QString& text,
                                                 const std::optional<fw::OsccalValues>& suggested, QWidget* parent,
                                                 bool movlw)
    : QDialog(parent), movlw_(movlw) {
  setObjectName("CalibrationValuesDialog");
  setWindowTitle(use == Use::kRestore ? "Restore calibration values" : "Warning");
  auto* column = new QVBoxLayout(this);
  TextLabel = new QLabel(text, this);
  TextLabel->setWordWrap(true);
  TextLabel->setMinimumWidth(420);
  column->addWidget(TextLabel);

  auto* form = new QFormLayout;
  OsccalEdit = new QLineEdit(this);
  OsccalEdit->setObjectName("OsccalEdit");
  OsccalEdit->setFont(ViewFont());
  OsccalEdit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{0,4}"), OsccalEdit));
  OsccalEdit->setPlaceholderText(movlw ? "0Cxx" : "34xx");
  BandGapEdit = new QLineEdit(this);
  BandGapEdit->setObjectName("BandGapEdit");
  BandGapEdit->setFont(ViewFont());
  BandGapEdit->setValidator(new QRegularExpressionValidator(QRegularExpression("[01]{0,2}"), BandGapEdit));
  BandGapEdit->setPlaceholderText("two binary digits");
  if (suggested) {
    OsccalEdit->setText(QString::fromStdString(fw::Hex(suggested->osccal, 4)));
    if (!movlw) BandGapEdit->setText(QString::fromStdString(fw::BandGapText(suggested->band_gap)));
  }
  form->addRow(movlw ? "OSCCAL word (MOVLW, 0Cxx):" : "OSCCAL word (RETLW, 34xx):", OsccalEdit);
  form->addRow("Band-gap bits 13:12:", BandGapEdit);
  if (movlw) {
    BandGapEdit->hide();
    form->labelForField(BandGapEdit)->hide();
  }
  column->addLayout(form);
  ProblemLabel = new QLabel(this);
  ProblemLabel->setObjectName("ProblemLabel");
  ProblemLabel->setStyleSheet("QLabel { color: #B00000; }");
  ProblemLabel->setWordWrap(true);
  ProblemLabel->hide();
  column->addWidget(ProblemLabel);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  UseButton = new QPushButton(use == Use::kRestore ? "Restore" : "Keep these values", this);
  buttons->addWidget(UseButton);
  if (use == Use::kBeforeErase) {
    LoseButton = new QPushButton("Erase without them", this);
    buttons->addWidget(LoseButton);
    connect(LoseButton, &QPushButton::clicked, this, [this] {
      answer_ = {fw::CalibrationAnswer::Kind::kLose, {}};
      accept();
    });
  }
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setDefault(true);
  buttons->addWidget(CancelButton);
  column->addLayout(buttons);
  connect(UseButton, &QPushButton::clicked, this, &CalibrationValuesDialog::UseClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  OsccalEdit->setFocus();
}

void CalibrationValuesDialog::UseClick() {
  std::string why;
  auto values = fw::ParseOsccalValues(OsccalEdit->text().toStdString(),
                                      movlw_ ? std::string() : BandGapEdit->text().toStdString(), &why);
  if (values && movlw_ != fw::IsMovlwValue(values->osccal)) {
    why = movlw_ ? "the OSCCAL value of this chip is a MOVLW instruction (0Cxx)"
                 : "the OSCCAL value of this chip is a RETLW instruction (34xx)";
    values.reset();
  }
  if (!values) {
    ProblemLabel->setText(QString::fromStdString("Not taken: " + why + "."));
    ProblemLabel->show();
    return;
  }
  answer_ = {fw::CalibrationAnswer::Kind::kUse, *values};
  accept();
}
