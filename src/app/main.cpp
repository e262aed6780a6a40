#include <QApplication>
#include <QScreen>

#include "app/main_form.h"
#include "app/qt_dialogs.h"
#include "app/device_opener.h"
#include "link/pause.h"
#include "link/posix_serial_device.h"
#include "log/clock.h"

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

  TForm1 form(state, dialogs, ports, initial);
  form.SetPortLister(port_list);
  // Centred, and no larger than the screen: the views scroll sideways on a
  // small one.
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  form.resize(form.sizeHint().boundedTo(screen.size()));
  form.move(screen.center() - form.rect().center());
  form.show();
  return application.exec();
}
