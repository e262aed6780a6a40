#include "app/about_box.h"

#include <QFrame>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "version.h"

void LinkLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && onClick) {
    onClick();
    event->accept();
    return;
  }
  QLabel::mousePressEvent(event);
}

namespace {

LinkLabel* MakeLink(QWidget* parent, const char* name, const QString& text, std::function<void()> click) {
  auto* label = new LinkLabel(text, parent);
  label->setObjectName(name);
  label->setStyleSheet("QLabel { color: blue; text-decoration: underline; }");
  label->setCursor(Qt::PointingHandCursor);  // what its MouseMove handler did
  label->setAlignment(Qt::AlignCenter);
  label->onClick = std::move(click);
  return label;
}

}  // namespace

TAboutBox::TAboutBox(const QUrl& readme, std::function<void(const QUrl&)> open_url, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      readme_(readme),
      open_url_(std::move(open_url)) {
  setObjectName("AboutBox");
  setWindowTitle("About Flashwright");
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* lines = new QVBoxLayout(panel);
  auto plain = [panel](const QString& text) {
    auto* label = new QLabel(text, panel);
    label->setAlignment(Qt::AlignCenter);
    return label;
  };
  lines->addWidget(plain(""));
  lines->addWidget(plain("to demonstrate the ability to program"));
  lines->addWidget(plain("PIC microcontrollers via serial interface with"));
  Label5 = MakeLink(panel, "Label5", "UART to I2C/SPI/1W gateway GX-0450", [this] { Label5Click(); });
  lines->addWidget(Label5);
  Label7 = MakeLink(panel, "Label7", "Flashwright README", [this] { Label7Click(); });
  lines->addWidget(Label7);
  lines->addWidget(plain("Get online help on using the program"));
  lines->addWidget(plain("through our telegram-bot:"));
  Label11 = MakeLink(panel, "Label11", "README: Getting help", [this] { Label11Click(); });
  lines->addWidget(Label11);
  lines->addStretch(1);
  // Free software: the licence, and what the program contains, are named.
  auto* licence = new QLabel("Free software under the GNU GPL,\nversion 3 or later; with Qt (LGPL 3).", panel);
  licence->setObjectName("LicenceLabel");
  lines->addWidget(licence, 0, Qt::AlignLeft);
  auto* version = new QLabel(QString("Version %1").arg(QString(FLASHWRIGHT_VERSION).section('.', 0, 1)), panel);
  lines->addWidget(version, 0, Qt::AlignLeft);
  OKButton = new QPushButton("OK", this);
  OKButton->setObjectName("OKButton");
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel, 1);
  layout->addWidget(OKButton, 0, Qt::AlignCenter);
  setFixedSize(std::max(258, sizeHint().width()), std::max(272, sizeHint().height()));
}

QUrl TAboutBox::GatewayUrl() const {
  QUrl url = readme_;
  url.setFragment("wiring-the-gateway");
  return url;
}

QUrl TAboutBox::HelpUrl() const {
  QUrl url = readme_;
  url.setFragment("getting-help");
  return url;
}

void TAboutBox::Label5Click() { open_url_(GatewayUrl()); }
void TAboutBox::Label7Click() { open_url_(HomeUrl()); }
void TAboutBox::Label11Click() { open_url_(HelpUrl()); }
void TAboutBox::OKButtonClick() { hide(); }
