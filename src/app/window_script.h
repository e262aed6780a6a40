#pragma once

#include <QString>

class TForm1;
class QtDialogs;

// A file of window commands, one a line, run on the window as the operator's
// clicks would run them: for trying the window end to end where no test
// framework runs (the Windows build under Wine) and for demonstrations.
// Questions are answered Yes while it runs.
//   connect | disconnect | autosearch | chip NAME | load-all FILE |
//   write | write-data | verify | verify-data | read | erase |
//   save-log FILE | screenshot FILE | quit
// A line starting with # is a note. Each device command must end done, or
// the script stops there. Gives 0 when every line was done, else 1 with the
// line that was not in `error`.
int RunWindowScript(TForm1& form, QtDialogs& dialogs, const QString& path, QString* error);
