// Draws the connection pictures the catalogue names, one JPEG per picture:
// the chip's DIP package with every pin numbered, the five programming pins
// named and highlighted, and a line from each to the gateway's matching
// signal. Run at build time: make_pictures OUTPUT_DIR.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <map>

#include "chips/pinouts.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;
constexpr fw::PinRole kRoles[] = {fw::PinRole::kVpp, fw::PinRole::kVdd, fw::PinRole::kVss,
                                  fw::PinRole::kIcspDat, fw::PinRole::kIcspClk};

QColor RoleColor(fw::PinRole role) {
  switch (role) {
    case fw::PinRole::kVpp: return QColor(200, 0, 0);
    case fw::PinRole::kVdd: return QColor(220, 120, 0);
    case fw::PinRole::kVss: return QColor(60, 60, 60);
    case fw::PinRole::kIcspDat: return QColor(0, 70, 200);
    case fw::PinRole::kIcspClk: return QColor(0, 140, 60);
  }
  return Qt::black;
}

QFont Font(int pixels, bool bold = false) {
  QFont font("DejaVu Sans");
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// One package and the gateway beside it, inside `area`.
void DrawPanel(QPainter& g, const QRect& area, const fw::Package& package, bool narrow) {
  const int half = package.pins / 2;
  const int gw_left = area.left() + 16, gw_width = narrow ? 96 : 150;
  const int body_width = narrow ? 80 : 120, stub = 16;
  const int pitch = std::min(30, (area.height() - 150) / half);
  const int body_height = pitch * half + 16;
  const int body_top = area.top() + 50 + (area.height() - 110 - body_height) / 2;
  const int body_left = area.left() + (narrow ? 210 : 420);
  const int body_right = body_left + body_width;
  const int label_size = narrow ? 11 : 14;

  g.setFont(Font(narrow ? 14 : 18, true));
  g.setPen(Qt::black);
  g.drawText(QRect(area.left(), area.top(), area.width(), 26), Qt::AlignCenter,
             QString("%1 (DIP-%2)").arg(package.chips).arg(package.pins));

  // The gateway and its five lines.
  const int gw_top = body_top, gw_height = std::max(body_height, 5 * 34 + 30);
  g.setPen(QPen(Qt::black, 2));
  g.setBrush(QColor(235, 240, 250));
  g.drawRect(gw_left, gw_top, gw_width, gw_height);
  g.setFont(Font(narrow ? 13 : 16, true));
  g.drawText(QRect(gw_left, gw_top + 4, gw_width, 22), Qt::AlignCenter, "GX-0450");
  std::map<fw::PinRole, QPoint> terminals;
  for (int r = 0; r < 5; ++r) {
    const fw::PinRole role = kRoles[r];
    const int y = gw_top + 40 + r * (gw_height - 50) / 5;
    terminals[role] = QPoint(gw_left + gw_width, y);
    g.setBrush(RoleColor(role));
    g.setPen(Qt::NoPen);
    g.drawEllipse(QPoint(gw_left + gw_width, y), 5, 5);
    g.setPen(RoleColor(role));
    g.setFont(Font(label_size, true));
    g.drawText(QRect(gw_left + 6, y - 10, gw_width - 14, 20), Qt::AlignRight | Qt::AlignVCenter,
               fw::GatewaySignal(role));
  }

  // The package: its body, the notch, every pin numbered.
  g.setPen(QPen(Qt::black, 2));
  g.setBrush(QColor(40, 40, 40));
  g.drawRect(body_left, body_top, body_width, body_height);
  g.setBrush(Qt::white);
  g.drawChord(QRect(body_left + body_width / 2 - 12, body_top - 12, 24, 24), 180 * 16, 180 * 16);
  std::map<int, const fw::PinUse*> used;
  for (const fw::PinUse& use : package.uses) used[use.pin] = &use;
  auto pin_place = [&](int pin) {
    const bool left = pin <= half;
    const int row = left ? pin - 1 : package.pins - pin;
    return std::pair{left, body_top + 8 + row * pitch + pitch / 2};
  };
  for (int pin = 1; pin <= package.pins; ++pin) {
    const auto [left, y] = pin_place(pin);
    const auto it = used.find(pin);
    const QColor color = it == used.end() ? QColor(150, 150, 150) : RoleColor(it->second->role);
    g.setPen(Qt::NoPen);
    g.setBrush(color);
    g.drawRect(left ? body_left - stub : body_right, y - 4, stub, 8);
    g.setPen(Qt::white);
    g.setFont(Font(label_size));
    g.drawText(QRect(left ? body_left + 4 : body_right - 34, y - 9, 30, 18),
               (left ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, QString::number(pin));
  }

  // A line from each gateway signal to every pin that takes it.
  int lane = 0;
  for (const fw::PinRole role : kRoles) {
    for (const fw::PinUse& use : package.uses) {
      if (use.role != role) continue;
      const auto [left, y] = pin_place(use.pin);
      const QPoint from = terminals[role];
      const int lane_x = from.x() + 16 + lane * 10;
      QPainterPath path(from);
      path.lineTo(lane_x, from.y());
      if (left) {
        path.lineTo(lane_x, y);
        path.lineTo(body_left - stub, y);
      } else {
        const int below = body_top + body_height + 18 + lane * 8;
        const int beside = body_right + stub + 14 + lane * 8;
        path.lineTo(lane_x, below);
        path.lineTo(beside, below);
        path.lineTo(beside, y);
        path.lineTo(body_right + stub, y);
      }
      g.setPen(QPen(RoleColor(role), 3));
      g.setBrush(Qt::NoBrush);
      g.drawPath(path);
      ++lane;
      // The pin's name beside it: what it is, and the datasheet's label.
      g.setPen(RoleColor(role));
      g.setFont(Font(label_size, true));
      const QString name = fw::RoleName(role);
      // Two packages side by side leave room for the line's name only.
      const QString text =
          narrow || name.startsWith(use.label) ? name : QString("%1 = %2").arg(name, use.label);
      if (left) {
        const int from_x = gw_left + gw_width + 8;
        g.drawText(QRect(from_x, y - 22, body_left - stub - 4 - from_x, 16), Qt::AlignRight, text);
      } else {
        g.drawText(QRect(body_right + stub + 70, y - 9, area.right() - body_right - stub - 70, 18),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
      }
    }
  }
}

QImage Draw(const fw::Pinout& pinout) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter g(&image);
  g.setRenderHint(QPainter::Antialiasing);
  g.setFont(Font(22, true));
  g.drawText(QRect(0, 8, kWidth, 30), Qt::AlignCenter, "How to connect the GX-0450 gateway for programming");
  const int panels = static_cast<int>(pinout.packages.size());
  for (int i = 0; i < panels; ++i) {
    DrawPanel(g, QRect(i * kWidth / panels, 46, kWidth / panels, kHeight - 110),
              pinout.packages[static_cast<std::size_t>(i)], panels > 1);
  }
  g.setPen(QColor(80, 80, 80));
  g.setFont(Font(13));
  QString footer = QString("Pins from the %1.").arg(pinout.source);
  if (pinout.note != nullptr) footer += QString("\n%1").arg(pinout.note);
  footer += "\nConnect VDD and GND (VSS) first; keep the ICSP lines short.";
  g.drawText(QRect(16, kHeight - 64, kWidth - 32, 60), Qt::AlignLeft | Qt::TextWordWrap, footer);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pictures OUTPUT_DIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.mkpath(".")) return 1;
  for (const fw::Pinout& pinout : fw::Pinouts()) {
    if (!Draw(pinout).save(out.filePath(pinout.picture), "JPG", 90)) {
      std::fprintf(stderr, "make_pictures: cannot write %s\n", pinout.picture);
      return 1;
    }
  }
  return 0;
}
