#pragma once

#include <QDialog>

#include <functional>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

// The small progress window shown while long work runs on the one thread.
// Created for each use and destroyed after it.
class TLBar : public QDialog {
  Q_OBJECT

 public:
  explicit TLBar(QWidget* parent = nullptr);

  // Positions above 100 (some callers compute them) show a full bar.
  void SetPosition(int position);
  // Work that can be stopped gets a Cancel button under the bar (the window
  // grows by its height); `on_cancel` runs when it is pressed.
  void ShowCancel(std::function<void()> on_cancel);
  // What a stop waits for, in place of the button.
  void ShowStopping(const QString& text);
  // The step running, above the bar ("Trying to write the data memory").
  void SetStep(const QString& text);

  // Wide enough for the longest step and stop texts on two lines.
  static constexpr int kWidth = 420;
  static constexpr int kBar = 48;

  QFrame* Panel1 = nullptr;
  QLabel* StepLabel = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* StopLabel = nullptr;
  QPushButton* CancelButton = nullptr;
};
