#include "app/qt_dialogs.h"

#include <QApplication>
#include <QMessageBox>

bool QtDialogs::Ask(const std::string& caption, const std::string& text, Buttons buttons) {
  const bool yes_no = buttons == Buttons::kYesNo;
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption),
                  QString::fromStdString(text),
                  yes_no ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok | QMessageBox::Cancel,
                  owner_);
  box.setObjectName("QuestionBox");
  box.setDefaultButton(yes_no ? QMessageBox::No : QMessageBox::Cancel);
  box.setEscapeButton(yes_no ? QMessageBox::No : QMessageBox::Cancel);
  const int answer = box.exec();
  return answer == (yes_no ? QMessageBox::Yes : QMessageBox::Ok);
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
  if (!pages_) return;
  // Hiding the pages moves the focus on, to the port box at worst, where the
  // next hex digit would replace the port's name: it comes back afterwards.
  if (!visible) focus_ = QApplication::focusWidget();
  pages_->setVisible(visible);
  if (visible && focus_ && focus_->isVisible()) focus_->setFocus();
}

void QtDialogs::Repaint() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
