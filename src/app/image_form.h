#pragma once

#include <QDialog>
#include <QLabel>

#include <functional>

#include "chips/catalogue.h"

// The connection picture: how to wire the selected chip to the gateway,
// stretched to the window whatever its size. Built anew on every "How to
// connect...", so it always shows the chip selected then.
class TImageForm : public QDialog {
  Q_OBJECT

 public:
  // `program_dir` and `data_dir` are where the pictures may lie beside the
  // current directory; `say` shows the message for a missing picture.
  using Say = std::function<void(const QString& caption, const QString& text)>;
  TImageForm(const fw::ChipRecord& chip, const QString& program_dir, const QString& data_dir, Say say,
             QWidget* parent = nullptr);

  // Image1 follows every resize, with no margin.
  void FormResize();

  QLabel* Image1 = nullptr;
  // The file shown, empty when none.
  QString shown_file;

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

// The message for a picture that is nowhere to be found.
QString MissingPictureText(const QString& picture);
