#pragma once

#include <QDialog>

class QFrame;
class QProgressBar;

// The small progress window shown while long work runs on the one thread.
// Created for each use and destroyed after it.
class TLBar : public QDialog {
  Q_OBJECT

 public:
  explicit TLBar(QWidget* parent = nullptr);

  // Positions above 100 (some callers compute them) show a full bar.
  void SetPosition(int position);

  QFrame* Panel1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
};
