#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QFileInfo>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include "app/about_box.h"
#include "app/image_form.h"
#include "app/lock_fuses_form.h"
#include "app/main_form.h"
#include "app/progress_form.h"
#include "app/qt_dialogs.h"
#include "app/device_opener.h"
#include "link/pause.h"
#include "link/system_serial.h"
#include "log/clock.h"
#include "platform/platform.h"
#include "app/window_script.h"
#include "version.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
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

// The window's own options, with their help in one place. Qt's own options
// (one dash, such as -platform offscreen) are Qt's.
struct Options {
  QCommandLineParser parser;
  QCommandLineOption help = parser.addHelpOption();
  QCommandLineOption version = parser.addVersionOption();
  QCommandLineOption port{"port",
                          fw::platform::SystemPortNaming() == fw::platform::PortNaming::kWindows
                              ? "The port the port box offers at start: a serial port (COM3), or demo:CHIP for the "
                                "built-in simulated gateway with a virtual chip (demo:PIC16F684)."
                              : "The port the port box offers at start: a serial port (ttyUSB0, /dev/ttyUSB0), a "
                                "pseudo-terminal, or demo:CHIP for the built-in simulated gateway with a virtual "
                                "chip (demo:PIC16F684).",
                          "NAME"};
  QCommandLineOption run{"run",
                         "Runs a file of window commands once the window is up, as clicks would (connect, "
                         "autosearch, load-all FILE, write, verify, screenshot FILE, save-log FILE, quit, ...: "
                         "see the README), answering the questions Yes; the exit status says whether every "
                         "command was done.",
                         "FILE"};
  Options() {
    parser.setApplicationDescription(
        "Programs PIC12/PIC16 flash chips through a GX-0450 gateway.\n"
        "Qt's own options (e.g. -platform offscreen) are taken too.\n"
        "From a terminal: flashwright-cli --help. A simulated gateway on a pseudo-terminal: "
        "flashwright-sim --help.");
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(port);
    parser.addOption(run);
    parser.addPositionalArgument("FILE",
                                 "A .hex, .eep or .bin file, loaded as \"Load All\" does once a chip is selected or "
                                 "found.",
                                 "[FILE]");
  }
};

int Refuse(const QString& why) {
  std::fprintf(stderr, "flashwright: %s (try --help)\n", why.toLocal8Bit().constData());
  return 2;
}

// Before any window exists, so that they work without a display: --help,
// --version, and the options of ours that are wrong. Qt's options (one
// dash) and the file are looked at once Qt has taken its own.
std::optional<int> AnswerEarly(int argc, char** argv) {
  QCoreApplication::setApplicationVersion(FLASHWRIGHT_VERSION);
  QStringList ours{QString::fromLocal8Bit(argv[0])};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool value = i > 1 && (std::string(argv[i - 1]) == "--port" || std::string(argv[i - 1]) == "--run");
    if (arg.rfind("--", 0) == 0 || arg == "-h" || arg == "-v" || value) {
      ours << QString::fromLocal8Bit(argv[i]);
    }
  }
  Options o;
  if (!o.parser.parse(ours)) return Refuse(o.parser.errorText());
  if (o.parser.isSet(o.help) || o.parser.isSet("help-all")) {
    // Without an application object the text cannot know the program's name.
    std::fputs(o.parser.helpText().replace("<executable_name>", "flashwright").toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (o.parser.isSet(o.version)) {
    std::printf("flashwright %s\n", FLASHWRIGHT_VERSION);
    return 0;
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> answered = AnswerEarly(argc, argv)) return *answered;
  QApplication application(argc, argv);  // takes Qt's own options out of argv
  QApplication::setApplicationName("Flashwright");
  QApplication::setOrganizationName("Flashwright");
  Options options;
  if (!options.parser.parse(QCoreApplication::arguments())) return Refuse(options.parser.errorText());
  const QString port_option = options.parser.value(options.port);
  const QStringList files = options.parser.positionalArguments();
  if (files.size() > 1) return Refuse("more than one file given (\"" + files[1] + "\")");
  const QString start_file = files.isEmpty() ? QString() : QFileInfo(files.front()).absoluteFilePath();

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
  state.calibration_record.UseDataFolder();

  // The five forms, in their order: the main window, the about box, and one
  // each of the windows that are otherwise made anew for every use.
  TForm1 form(state, dialogs, ports, initial);
  // The user's chips file, checked at every start: what it refused and what
  // it added open the log.
  for (const std::string& line : fw::ReadChipsFile(fw::LoadChipsFile(), state.chips)) {
    state.log.LogEvent(fw::LogCode::kNone, line);
  }
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
  if (!settings.contains("geometry")) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    form.resize(form.sizeHint().boundedTo(screen.size()));
    form.move(screen.center() - form.rect().center());
  }
  // Fitted once more when shown, with the title bar the window manager adds.
  form.show();
  const QString script = options.parser.value(options.run);
  if (!script.isEmpty()) {
    // Once the window is up, as an operator would start.
    QTimer::singleShot(500, &form, [&] {
      QString error;
      const int status = RunWindowScript(form, dialogs, script, &error);
      if (status != 0) std::fprintf(stderr, "flashwright: %s\n", error.toLocal8Bit().constData());
      QCoreApplication::exit(status);
    });
  }
  return application.exec();
}
