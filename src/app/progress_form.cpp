#include "app/progress_form.h"

#include <QFrame>
#include <QGuiApplication>
#include <QProgressBar>
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
