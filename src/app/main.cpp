#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QScreen>
#include <QSettings>

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
#include "version.h"

#include <cstdio>
#include <cstdlib>
#include <string>

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

constexpr const char* kHelp =
    "usage: flashwright [--port NAME] [FILE] [Qt's own options, e.g. -platform offscreen]\n"
    "\n"
    "Programs PIC12/PIC16 flash chips through a GX-0450 gateway.\n"
    "\n"
    "  --port NAME   the port the port box offers at start: a serial port (ttyUSB0,\n"
    "                /dev/ttyUSB0), a pseudo-terminal, or demo:CHIP for the built-in\n"
    "                simulated gateway with a virtual chip (demo:PIC16F684)\n"
    "  FILE          a .hex, .eep or .bin file, loaded as \"Load All\" does once a chip\n"
    "                is selected or found\n"
    "  --help        this text\n"
    "  --version     the version\n"
    "\n"
    "From a terminal: flashwright-cli --help. A simulated gateway on a pseudo-terminal:\n"
    "flashwright-sim --help.\n";

}  // namespace

int main(int argc, char** argv) {
  // Our own options are answered or checked before any window exists, so
  // that they work without a display; Qt's (one dash) are Qt's to check.
  auto refuse = [](const std::string& why) {
    std::fprintf(stderr, "flashwright: %s (try --help)\n", why.c_str());
    return 2;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("flashwright %s\n", FLASHWRIGHT_VERSION);
      return 0;
    }
    if (arg == "--port") {
      if (++i == argc) return refuse("no port name after --port");
    } else if (arg.rfind("--", 0) == 0) {
      return refuse("unknown option \"" + arg + "\"");
    }
  }
  QApplication application(argc, argv);  // takes Qt's own options out of argv
  QApplication::setApplicationName("Flashwright");
  QApplication::setOrganizationName("Flashwright");
  QString port_option, start_file;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--port") {
      port_option = QString::fromLocal8Bit(argv[++i]);
    } else if (arg.rfind("-", 0) == 0 || !start_file.isEmpty()) {
      return refuse("unknown option \"" + arg + "\"");
    } else {
      start_file = QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath();
    }
  }

  // The machine's serial ports, then the built-in simulated gateways; read
  // afresh whenever the port box drops down.
  const auto port_list = [] {
    QStringList ports;
    for (const std::string& name : fw::ListSerialPorts()) ports << QString::fromStdString(name);
    return ports << DemoPortNames();
  };
  const QStringList ports = port_list();
  QString initial = ports.first() == DemoPortNames().first() ? QString("ttyUSB0") : ports.first();

  if (!port_option.isEmpty()) initial = port_option;

  fw::SystemClock clock;
  fw::RealPause pause;
  QtDialogs dialogs;
  DeviceOpenerForApp opener;
  fw::AppState state(clock, pause, dialogs, opener.Opener());
  state.calibration_record.SetPath(fw::CalibrationRecordPath(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));

  // The five forms, in their order: the main window, the about box, and one
  // each of the windows that are otherwise made anew for every use.
  TForm1 form(state, dialogs, ports, initial);
  form.SetPortLister(port_list);
  // The operator's choices of the last run; a port named on the command line
  // wins.
  QSettings settings;
  form.SetSettings(&settings);
  if (!port_option.isEmpty()) form.ComboBox1->setCurrentText(port_option);
  if (!start_file.isEmpty()) form.OpenAtStart(start_file);
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
