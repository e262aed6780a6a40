#include "app/file_watch.h"

#include <QFileInfo>

FileWatch::FileWatch(QObject* parent) : QObject(parent) {
  settle_.setSingleShot(true);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { Poke(); });
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { Poke(); });
  connect(&settle_, &QTimer::timeout, this, [this] { Settle(); });
}

std::pair<qint64, QDateTime> FileWatch::Stamp() const {
  const QFileInfo info(path_);
  if (!info.exists()) return {-1, QDateTime()};
  return {info.size(), info.lastModified()};
}

void FileWatch::Watch(const QString& path) {
  if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  settle_.stop();
  path_ = path;
  missing_ticks_ = 0;
  if (path_.isEmpty()) return;
  watcher_.addPath(QFileInfo(path_).absolutePath());
  if (QFileInfo::exists(path_)) watcher_.addPath(path_);
  known_ = last_ = Stamp();
}

void FileWatch::Poke() {
  // A file replaced by rename is a new file: the watcher lost the old one.
  if (QFileInfo::exists(path_) && !watcher_.files().contains(path_)) watcher_.addPath(path_);
  last_ = Stamp();
  settle_.start(settle_ms_);
}

void FileWatch::Settle() {
  const auto now = Stamp();
  if (now.first < 0) {
    // Gone for now: a linker may delete and write anew; a few more looks.
    if (++missing_ticks_ < 5) {
      settle_.start(settle_ms_);
      return;
    }
    const QString gone = path_;
    Stop();
    emit Gone(gone);
    return;
  }
  missing_ticks_ = 0;
  if (now != last_) {
    // Still being written.
    last_ = now;
    settle_.start(settle_ms_);
    return;
  }
  if (now == known_) return;  // a touch of the folder, not of the file
  known_ = now;
  emit Changed(path_);
}
