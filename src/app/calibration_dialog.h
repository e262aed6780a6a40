#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

#include "log/operator_dialogs.h"

// The F629 family's calibration values typed in: the OSCCAL word and the
// band-gap bits, checked as values read from a chip are. Two uses: asked
// before an erase when the chip's own cannot be read ("Keep these values",
// "Erase without them", "Cancel"), and "Restore calibration values..."
// ("Restore", "Cancel").
class CalibrationValuesDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Use { kBeforeErase, kRestore };

  // `movlw`: a baseline part's OSCCAL, a MOVLW (0Cxx) without band-gap bits.
  CalibrationValuesDialog(Use use, const QString& text, const std::optional<fw::OsccalValues>& suggested,
                          QWidget* parent = nullptr, bool movlw = false);

  // What the operator chose; kUse with the values once they passed the check.
  fw::CalibrationAnswer answer() const { return answer_; }

  QLabel* TextLabel = nullptr;
  QLineEdit* OsccalEdit = nullptr;
  QLineEdit* BandGapEdit = nullptr;
  QLabel* ProblemLabel = nullptr;
  QPushButton* UseButton = nullptr;
  QPushButton* LoseButton = nullptr;  // only before an erase
  QPushButton* CancelButton = nullptr;

 private:
  void UseClick();
  bool movlw_ = false;

  fw::CalibrationAnswer answer_{fw::CalibrationAnswer::Kind::kCancel, {}};
};
