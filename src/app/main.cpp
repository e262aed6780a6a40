#include <QApplication>
#include <QSerialPortInfo>

#include "app/main_form.h"
#include "app/qt_dialogs.h"
#include "app/device_opener.h"
#include "link/pause.h"
#include "log/clock.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Flashwright");

  QStringList ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) ports << info.portName();
  QString initial = ports.isEmpty() ? QString("ttyUSB0") : ports.first();
  ports << DemoPortNames();

  const QStringList args = QApplication::arguments();
  const qsizetype at = args.indexOf("--port");
  if (at >= 0 && at + 1 < args.size()) initial = args[at + 1];

  fw::SystemClock clock;
  fw::RealPause pause;
  QtDialogs dialogs;
  DeviceOpenerForApp opener;
  fw::AppState state(clock, pause, dialogs, opener.Opener());

  TForm1 form(state, dialogs, ports, initial);
  form.show();
  return application.exec();
}
