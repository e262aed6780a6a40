#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Watches one file for a new build: survives an editor or linker that
// replaces the file by rename (the folder is watched too, and the file taken
// up again), and waits until the file has stopped changing before it says
// so, so that two changes in quick succession give one signal.
class FileWatch : public QObject {
  Q_OBJECT

 public:
  explicit FileWatch(QObject* parent = nullptr);

  // Starts watching `path` (an empty path stops).
  void Watch(const QString& path);
  void Stop() { Watch({}); }
  const QString& path() const { return path_; }
  bool watching() const { return !path_.isEmpty(); }
  // How long the file must stay as it is before it counts as written.
  void SetSettleMs(int ms) { settle_ms_ = ms; }

 signals:
  // The file was written (or replaced) and has settled.
  void Changed(const QString& path);
  // The file is gone (deleted or renamed away) and did not come back: the
  // watch has stopped.
  void Gone(const QString& path);

 private:
  void Poke();
  void Settle();
  // Size and time of the file now; an invalid time when it is missing.
  std::pair<qint64, QDateTime> Stamp() const;

  QFileSystemWatcher watcher_;
  QTimer settle_;
  QString path_;
  std::pair<qint64, QDateTime> last_;   // as last seen settling
  std::pair<qint64, QDateTime> known_;  // as last reported (or at the start)
  int settle_ms_ = 400;
  int missing_ticks_ = 0;
};
