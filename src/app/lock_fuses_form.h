#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <array>

#include "config_dialog/config_word_dialog.h"
#include "operations/app_state.h"

// The configuration word dialog: the configuration word(s) of the selected
// chip as check boxes named after the chip's bits. Built anew on every
// opening, so its layout always matches the chip selected then. A checked
// box is a programmed (0) bit; the button writes the words into the
// configuration view of the active page.
class TLockFusesForm : public QDialog {
  Q_OBJECT

 public:
  explicit TLockFusesForm(fw::AppState& state, QWidget* parent = nullptr);

  void OKButtonClick();

  QFrame* Panel1 = nullptr;
  std::array<QGroupBox*, 4> GroupBoxes{};
  std::array<QCheckBox*, 32> CheckBoxes{};  // CheckBox1 ... CheckBox32
  QLabel* Label1 = nullptr;
  QPushButton* OKButton = nullptr;

 private:
  fw::AppState& state_;
  fw::ConfigDialog model_;
};
