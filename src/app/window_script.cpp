#include "app/window_script.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>

#include <functional>
#include <map>

#include "app/main_form.h"
#include "app/qt_dialogs.h"
#include "chips/catalogue.h"

int RunWindowScript(TForm1& form, QtDialogs& dialogs, const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    *error = path + ": " + file.errorString();
    return 1;
  }
  // The buttons' handlers, as a click runs them; each leaves its outcome.
  const std::map<QString, std::function<void()>> buttons = {
      {"connect", [&] { form.Button1Click(); }},    {"disconnect", [&] { form.Button2Click(); }},
      {"autosearch", [&] { form.Button3Click(); }}, {"read", [&] { form.Button4Click(); }},
      {"write", [&] { form.Button5Click(); }},      {"write-data", [&] { form.Button9Click(); }},
      {"verify", [&] { form.Button6Click(); }},     {"verify-data", [&] { form.Button10Click(); }},
      {"erase", [&] { form.Button11Click(); }},
  };
  dialogs.SetQuestionsAnswered(true);
  QTextStream lines(&file);
  int number = 0;
  int status = 0;
  while (!lines.atEnd() && status == 0) {
    const QString line = lines.readLine().trimmed();
    ++number;
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QString command = line.section(' ', 0, 0);
    const QString argument = line.section(' ', 1).trimmed();
    bool done = true;
    if (const auto button = buttons.find(command); button != buttons.end()) {
      button->second();
      if (command == "connect") {
        done = form.Button2->isEnabled();
      } else if (command == "autosearch") {
        done = form.Edit1->text() != "None";
      } else if (command != "disconnect") {
        done = form.LastOutcome() == fw::Outcome::kDone;
      }
    } else if (command == "chip") {
      const fw::ChipEntry* entry = form.State().chips.FindByName(argument.toStdString());
      done = entry != nullptr;
      if (done) form.ChipMenuItemClick(entry->IdWord);
    } else if (command == "load-all") {
      done = form.LoadPath(argument, fw::sectAll);
    } else if (command == "save-log") {
      form.SaveLogTo(argument);
    } else if (command == "screenshot") {
      // The whole screen, the window with its title bar as the system draws
      // it, once what the last command closed is gone from it.
      QElapsedTimer settle;
      settle.start();
      while (settle.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      done = QGuiApplication::primaryScreen()->grabWindow(0).save(argument, "PNG");
    } else if (command == "quit") {
      break;
    } else {
      done = false;
    }
    if (!done) {
      *error = QString("%1 line %2: \"%3\" was not done").arg(path).arg(number).arg(line);
      status = 1;
    }
  }
  dialogs.SetQuestionsAnswered(false);
  return status;
}
