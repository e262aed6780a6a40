#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>

#include <memory>

#include "log/clock.h"
#include "operations/app_state.h"
#include "production/database_store.h"
#include "production/serial_numbers.h"
#include "production/station.h"

class TForm1;

// "Production station..." (Edit menu): the bench's window. Chip after chip
// from the file loaded, each programmed once it is put in; a verdict to read
// from across the bench, the serial numbers, the counts and the last chips.
// Everything goes through the production core the terminal's --repeat uses.
class TStationForm : public QDialog {
  Q_OBJECT

 public:
  TStationForm(fw::AppState& state, TForm1& form, QSettings* settings, QWidget* parent = nullptr);
  ~TStationForm() override;

  // Start watching the socket (Start), or stop (Stop; also closing).
  void StartClick();
  void StopClick();
  // The chip in the socket, now (Space, F5).
  void ProgramNowClick();
  bool Running() const { return station_ != nullptr; }
  // One look at the socket, as the timer makes it.
  void Poll();

  QLabel* VerdictLabel = nullptr;  // PASS / FAIL / waiting
  QLabel* ReasonLabel = nullptr;
  QLabel* SerialLabel = nullptr;   // just written, and the next
  QLabel* CountsLabel = nullptr;   // passed, failed, yield
  QTableWidget* HistoryTable = nullptr;
  QLineEdit* RecordEdit = nullptr;
  QLineEdit* SerialFileEdit = nullptr;
  QLineEdit* SerialStartEdit = nullptr;
  QLineEdit* SerialPlaceEdit = nullptr;
  // A shared PostgreSQL database in place of the two files, and its series.
  QLineEdit* DatabaseEdit = nullptr;
  QLineEdit* SeriesEdit = nullptr;
  QPushButton* StartButton = nullptr;
  QPushButton* ProgramNowButton = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* target, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;

 private:
  void Build();
  bool ProgramKey(const QKeyEvent* key) const;
  void Show(const fw::ChipResult& result);
  void ShowCounts();
  void Verdict(const QString& text, const QString& colour);
  // Why the station cannot start (empty: it can), the run made when it can.
  QString Prepare();
  void Keep();

  fw::AppState& state_;
  TForm1& form_;
  QSettings* settings_;
  fw::SystemClock clock_;
  QTimer poll_;
  bool polling_ = false;
  std::unique_ptr<fw::SerialNumbers> serials_;
  std::unique_ptr<fw::DatabaseStore> database_;
  std::unique_ptr<fw::ProductionRun> run_;
  std::unique_ptr<fw::Station> station_;
};
