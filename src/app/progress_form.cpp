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
  setWindowTitle(QString());
  setFixedSize(281, 33);
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setGeometry(0, 0, 281, 33);
  ProgressBar1 = new QProgressBar(Panel1);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setGeometry(8, 8, 265, 16);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->geometry().center() - rect().center());
  }
}

void TLBar::SetPosition(int position) { ProgressBar1->setValue(std::clamp(position, 0, 100)); }

void TLBar::ShowCancel(std::function<void()> on_cancel) {
  if (CancelButton != nullptr) return;
  constexpr int kRow = 30;
  StopLabel = new QLabel(this);
  StopLabel->setObjectName("StopLabel");
  StopLabel->setGeometry(8, 33 + 4, 281 - 16, kRow - 8);
  StopLabel->hide();
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("CancelButton");
  CancelButton->setGeometry(281 - 8 - 80, 33 + 2, 80, kRow - 6);
  connect(CancelButton, &QPushButton::clicked, this, [this, on_cancel] {
    CancelButton->setEnabled(false);
    CancelButton->setText("Stopping...");
    if (on_cancel) on_cancel();
  });
  const QPoint centre = geometry().center();
  setFixedSize(281, 33 + kRow);
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
