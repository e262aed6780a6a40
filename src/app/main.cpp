#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QScreen>

#include "app/about_box.h"
#include "app/image_form.h"
#include "app/lock_fuses_form.h"
#include "app/main_form.h"
#include "app/progress_form.h"
#include "app/qt_dialogs.h"
#include "app/device_opener.h"
#include "link/pause.h"
#include "link/posix_serial_device.h"
#include "log/clock.h"

namespace {

// The README that came with the program: installed beside it, in the
// documentation folder, or in the source tree of a build.
QUrl ReadmeUrl() {
  const QString here = QCoreApplication::applicationDirPath();
  for (const QString& path : {here + "/../share/doc/flashwright/README.md", QString(FLASHWRIGHT_DOC_DIR "/README.md"),
                              QString(FLASHWRIGHT_SOURCE_DIR "/README.md")}) {
    if (QFileInfo(path).isFile()) return QUrl::fromLocalFile(QFileInfo(path).canonicalFilePath());
  }
  return QUrl::fromLocalFile(FLASHWRIGHT_SOURCE_DIR "/README.md");
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Flashwright");

  // The machine's serial ports, then the built-in simulated gateways; read
  // afresh whenever the port box drops down.
  const auto port_list = [] {
    QStringList ports;
    for (const std::string& name : fw::ListSerialPorts()) ports << QString::fromStdString(name);
    return ports << DemoPortNames();
  };
  const QStringList ports = port_list();
  QString initial = ports.first() == DemoPortNames().first() ? QString("ttyUSB0") : ports.first();

  const QStringList args = QApplication::arguments();
  const qsizetype at = args.indexOf("--port");
  if (at >= 0 && at + 1 < args.size()) initial = args[at + 1];

  fw::SystemClock clock;
  fw::RealPause pause;
  QtDialogs dialogs;
  DeviceOpenerForApp opener;
  fw::AppState state(clock, pause, dialogs, opener.Opener());

  // The five forms, in their order: the main window, the about box, and one
  // each of the windows that are otherwise made anew for every use.
  TForm1 form(state, dialogs, ports, initial);
  form.SetPortLister(port_list);
  TAboutBox about(ReadmeUrl(), [](const QUrl& url) { QDesktopServices::openUrl(url); }, &form);
  form.SetAboutBox(&about);
  TLBar progress(&form);
  TLockFusesForm lock_fuses(state, &form);
  TImageForm picture(state.chip, QCoreApplication::applicationDirPath(), FLASHWRIGHT_DATA_DIR, nullptr, &form);
  // Centred, and no larger than the screen: the views scroll sideways on a
  // small one.
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  form.resize(form.sizeHint().boundedTo(screen.size()));
  form.move(screen.center() - form.rect().center());
  form.show();
  return application.exec();
}
