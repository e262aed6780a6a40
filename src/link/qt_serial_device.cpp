#include "link/qt_serial_device.h"

#include <QSerialPort>

#if defined(__linux__)
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace fw {

namespace {

class QtSerialDevice final : public SerialDevice {
 public:
  explicit QtSerialDevice(const std::string& path) {
    port_.setPortName(QString::fromStdString(path));
  }

  bool Open() { return port_.open(QIODevice::ReadWrite); }

  bool GetState() override { return port_.isOpen(); }

  bool SetState() override {
    const bool ok = port_.setBaudRate(250000) && port_.setDataBits(QSerialPort::Data8) &&
                    port_.setParity(QSerialPort::NoParity) &&
                    port_.setStopBits(QSerialPort::TwoStop) &&
                    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) return false;
    // A pseudo-terminal has no modem lines: these fail there, harmlessly.
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
    port_.clearError();
    AskForLowLatency();
    return true;
  }

  void Purge() override { port_.clear(QSerialPort::AllDirections); }

  bool Write(const std::uint8_t* bytes, std::size_t length) override {
    if (!port_.isOpen()) return false;
    const qint64 queued = port_.write(reinterpret_cast<const char*>(bytes),
                                      static_cast<qint64>(length));
    if (queued != static_cast<qint64>(length)) return false;
    while (port_.bytesToWrite() > 0) {
      if (!port_.waitForBytesWritten(20000)) return false;
    }
    return port_.error() == QSerialPort::NoError || port_.error() == QSerialPort::TimeoutError;
  }

  int BytesWaiting() override {
    if (!port_.isOpen()) return 0;
    // Without an event loop Qt only takes bytes from the driver inside a
    // wait; a zero timeout makes that a non-blocking look.
    if (port_.bytesAvailable() == 0) port_.waitForReadyRead(0);
    return static_cast<int>(port_.bytesAvailable());
  }

  int Read(std::uint8_t* bytes, int length) override {
    if (!port_.isOpen()) return 0;
    const qint64 got = port_.read(reinterpret_cast<char*>(bytes), length);
    return got > 0 ? static_cast<int>(got) : 0;
  }

 private:
  // FTDI adapters otherwise hold every answer back for their 16 ms latency
  // timer, doubling the time of a chip read. Not every driver knows the call.
  void AskForLowLatency() {
#if defined(__linux__)
    const int fd = static_cast<int>(port_.handle());
    serial_struct info{};
    if (fd >= 0 && ioctl(fd, TIOCGSERIAL, &info) == 0) {
      info.flags |= ASYNC_LOW_LATENCY;
      ioctl(fd, TIOCSSERIAL, &info);
    }
#endif
  }

  QSerialPort port_;
};

}  // namespace

std::unique_ptr<SerialDevice> OpenQtSerialDevice(const std::string& path) {
  auto device = std::make_unique<QtSerialDevice>(path);
  if (!device->Open()) return nullptr;
  return device;
}

}  // namespace fw
