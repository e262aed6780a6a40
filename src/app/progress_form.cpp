#include "app/progress_form.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

TLBar::TLBar(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("LBar");
  setWindowTitle("Flashwright");
  setFixedSize(kWidth, kBar);
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setGeometry(0, 0, kWidth, kBar);
  StepLabel = new QLabel(Panel1);
  StepLabel->setObjectName("StepLabel");
  StepLabel->setGeometry(8, 4, kWidth - 16, 18);
  ProgressBar1 = new QProgressBar(Panel1);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setGeometry(8, 26, kWidth - 16, 16);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->geometry().center() - rect().center());
  }
}

void TLBar::SetPosition(int position) { ProgressBar1->setValue(std::clamp(position, 0, 100)); }

void TLBar::SetStep(const QString& text) {
  StepLabel->setText(StepLabel->fontMetrics().elidedText(text, Qt::ElideRight, StepLabel->width()));
  StepLabel->setToolTip(text);
}

void TLBar::ShowCancel(std::function<void()> on_cancel) {
  if (CancelButton != nullptr) return;
  constexpr int kRow = 44;
  StopLabel = new QLabel(this);
  StopLabel->setObjectName("StopLabel");
  StopLabel->setWordWrap(true);
  StopLabel->setGeometry(8, kBar + 2, kWidth - 16, kRow - 4);
  StopLabel->hide();
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("CancelButton");
  CancelButton->setGeometry(kWidth - 8 - 80, kBar + 8, 80, 28);
  connect(CancelButton, &QPushButton::clicked, this, [this, on_cancel] {
    CancelButton->setEnabled(false);
    CancelButton->setText("Stopping...");
    if (on_cancel) on_cancel();
  });
  const QPoint centre = geometry().center();
  setFixedSize(kWidth, kBar + kRow);
  move(centre - rect().center());
  StopLabel->show();
  CancelButton->show();
}

void TLBar::ShowStopping(const QString& text) {
  if (StopLabel == nullptr) return;
  CancelButton->hide();
  StopLabel->setText(text);
  StopLabel->setToolTip(text);
}
