#include "app/qt_dialogs.h"

#include <QCoreApplication>
#include <QMessageBox>

bool QtDialogs::Ask(const std::string& caption, const std::string& text) {
  return QMessageBox::question(owner_, QString::fromStdString(caption),
                               QString::fromStdString(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::Tell(const std::string& caption, const std::string& text) {
  QMessageBox::warning(owner_, QString::fromStdString(caption), QString::fromStdString(text));
}

void QtDialogs::ProgressOpen() {
  ProgressClose();
  LBar = new TLBar(owner_);
  LBar->show();
  // The first repaint waits like every later one: work that is over within
  // 25 ms (a view copy) never flashes a window; longer work shows it at its
  // first progress step after that.
  since_repaint_.start();
}

void QtDialogs::ProgressSet(int position) {
  if (!LBar) return;
  LBar->SetPosition(position);
  constexpr qint64 kRepaintMs = 25;
  if (since_repaint_.elapsed() >= kRepaintMs) {
    Repaint();
    since_repaint_.restart();
  }
}

void QtDialogs::ProgressClose() {
  delete LBar.data();
  LBar = nullptr;
}

void QtDialogs::SetPagesVisible(bool visible) {
  if (pages_) pages_->setVisible(visible);
}

void QtDialogs::Repaint() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
