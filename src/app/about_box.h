#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include <functional>

// A label that reads as a link: blue, underlined, a hand cursor, a click.
class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;
  std::function<void()> onClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

// The about box: made once at start-up, shown without being modal, hidden
// by its button and shown again. Its links open the documentation that came
// with the program, through `open_url` (the desktop's handler).
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  TAboutBox(const QUrl& readme, std::function<void(const QUrl&)> open_url, QWidget* parent = nullptr);

  void Label5Click();
  void Label7Click();
  void Label11Click();
  void OKButtonClick();

  LinkLabel* Label5 = nullptr;   // the gateway: the README's wiring section
  LinkLabel* Label7 = nullptr;   // the home page: the README
  LinkLabel* Label11 = nullptr;  // the help: the README's help section
  QPushButton* OKButton = nullptr;

  QUrl GatewayUrl() const;
  QUrl HomeUrl() const { return readme_; }
  QUrl HelpUrl() const;

 private:
  QUrl readme_;
  std::function<void(const QUrl&)> open_url_;
};
