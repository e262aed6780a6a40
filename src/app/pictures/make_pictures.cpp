// Draws the connection pictures the catalogue names, one JPEG per picture:
// the chip's DIP package with every pin numbered, the five programming pins
// named and highlighted, and a line from each to the gateway's matching
// signal. Run at build time: make_pictures OUTPUT_DIR.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>

#include <string>
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

// Where the parts of one panel go: the gateway at the left, the package at
// the right, inside `area`.
struct Panel {
  Panel(const QRect& area, const fw::Package& package, bool narrow)
      : area(area),
        package(package),
        narrow(narrow),
        half(package.pins / 2),
        gw_left(area.left() + 16),
        gw_width(narrow ? 96 : 150),
        body_width(narrow ? 80 : 120),
        pitch(std::min(30, (area.height() - 150) / half)),
        body_height(pitch * half + 16),
        body_top(area.top() + 50 + (area.height() - 110 - body_height) / 2),
        body_left(area.left() + (narrow ? 210 : 420)),
        body_right(body_left + body_width),
        label_size(narrow ? 11 : 14),
        gw_height(std::max(body_height, 5 * 34 + 30)) {}

  // Which side pin `pin` is on and the height of its middle.
  std::pair<bool, int> PinPlace(int pin) const {
    const bool left = pin <= half;
    const int row = left ? pin - 1 : package.pins - pin;
    return {left, body_top + 8 + row * pitch + pitch / 2};
  }

  static constexpr int stub = 16;
  const QRect area;
  const fw::Package& package;
  const bool narrow;
  const int half, gw_left, gw_width, body_width, pitch, body_height, body_top, body_left, body_right, label_size,
      gw_height;
};

// The gateway and its five lines; where each line's terminal is.
std::map<fw::PinRole, QPoint> DrawGateway(QPainter& g, const Panel& p) {
  const int gw_top = p.body_top;
  g.setPen(QPen(Qt::black, 2));
  g.setBrush(QColor(235, 240, 250));
  g.drawRect(p.gw_left, gw_top, p.gw_width, p.gw_height);
  g.setFont(Font(p.narrow ? 13 : 16, true));
  g.drawText(QRect(p.gw_left, gw_top + 4, p.gw_width, 22), Qt::AlignCenter, "GX-0450");
  std::map<fw::PinRole, QPoint> terminals;
  for (int r = 0; r < 5; ++r) {
    const fw::PinRole role = kRoles[r];
    const int y = gw_top + 40 + r * (p.gw_height - 50) / 5;
    terminals[role] = QPoint(p.gw_left + p.gw_width, y);
    g.setBrush(RoleColor(role));
    g.setPen(Qt::NoPen);
    g.drawEllipse(QPoint(p.gw_left + p.gw_width, y), 5, 5);
    g.setPen(RoleColor(role));
    g.setFont(Font(p.label_size, true));
    g.drawText(QRect(p.gw_left + 6, y - 10, p.gw_width - 14, 20), Qt::AlignRight | Qt::AlignVCenter,
               fw::GatewaySignal(role));
  }
  return terminals;
}

// The package: its body, the notch, every pin numbered.
void DrawPackage(QPainter& g, const Panel& p) {
  g.setPen(QPen(Qt::black, 2));
  g.setBrush(QColor(40, 40, 40));
  g.drawRect(p.body_left, p.body_top, p.body_width, p.body_height);
  g.setBrush(Qt::white);
  g.drawChord(QRect(p.body_left + p.body_width / 2 - 12, p.body_top - 12, 24, 24), 180 * 16, 180 * 16);
  std::map<int, const fw::PinUse*> used;
  for (const fw::PinUse& use : p.package.uses) used[use.pin] = &use;
  for (int pin = 1; pin <= p.package.pins; ++pin) {
    const auto [left, y] = p.PinPlace(pin);
    const auto it = used.find(pin);
    const QColor color = it == used.end() ? QColor(150, 150, 150) : RoleColor(it->second->role);
    g.setPen(Qt::NoPen);
    g.setBrush(color);
    g.drawRect(left ? p.body_left - Panel::stub : p.body_right, y - 4, Panel::stub, 8);
    g.setPen(Qt::white);
    g.setFont(Font(p.label_size));
    g.drawText(QRect(left ? p.body_left + 4 : p.body_right - 34, y - 9, 30, 18),
               (left ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, QString::number(pin));
  }
}

// The line from a gateway terminal to pin `use`, in lane `lane`, and the
// pin's name beside it: what it is, and the datasheet's label.
void DrawWire(QPainter& g, const Panel& p, const fw::PinUse& use, QPoint from, int lane) {
  const auto [left, y] = p.PinPlace(use.pin);
  const int lane_x = from.x() + 16 + lane * 10;
  QPainterPath path(from);
  path.lineTo(lane_x, from.y());
  if (left) {
    path.lineTo(lane_x, y);
    path.lineTo(p.body_left - Panel::stub, y);
  } else {
    const int below = p.body_top + p.body_height + 18 + lane * 8;
    const int beside = p.body_right + Panel::stub + 14 + lane * 8;
    path.lineTo(lane_x, below);
    path.lineTo(beside, below);
    path.lineTo(beside, y);
    path.lineTo(p.body_right + Panel::stub, y);
  }
  g.setPen(QPen(RoleColor(use.role), 3));
  g.setBrush(Qt::NoBrush);
  g.drawPath(path);
  g.setPen(RoleColor(use.role));
  g.setFont(Font(p.label_size, true));
  const QString name = fw::RoleName(use.role);
  // Two packages side by side leave room for the line's name only.
  const QString text = p.narrow || name.startsWith(use.label) ? name : QString("%1 = %2").arg(name, use.label);
  if (left) {
    const int from_x = p.gw_left + p.gw_width + 8;
    g.drawText(QRect(from_x, y - 22, p.body_left - Panel::stub - 4 - from_x, 16), Qt::AlignRight, text);
  } else {
    g.drawText(QRect(p.body_right + Panel::stub + 70, y - 9, p.area.right() - p.body_right - Panel::stub - 70, 18),
               Qt::AlignLeft | Qt::AlignVCenter, text);
  }
}

// A quad flat package: a square body with a quarter of the pins on each
// side, counter-clockwise from pin 1 at the top of the left side; the
// programming pins are listed beside it, as their names would crowd the
// short sides.
struct Quad {
  Quad(const QRect& area, const fw::Package& package)
      : package(package),
        side(package.pins / 4),
        pitch(18),
        size(side * pitch + 16),
        left(area.left() + 330),
        top(area.top() + 50 + (area.height() - 110 - size) / 2) {}
  int right() const { return left + size; }
  int bottom() const { return top + size; }
  // Which side pin `pin` is on (0 left, 1 bottom, 2 right, 3 top) and the
  // middle of its place along the body's edge.
  std::pair<int, QPoint> Place(int pin) const {
    const int k = (pin - 1) % side, along = 8 + k * pitch + pitch / 2;
    switch ((pin - 1) / side) {
      case 0: return {0, QPoint(left, top + along)};
      case 1: return {1, QPoint(left + along, bottom())};
      case 2: return {2, QPoint(right(), bottom() - along)};
      default: return {3, QPoint(right() - along, top)};
    }
  }
  const fw::Package& package;
  const int side, pitch, size, left, top;
};

void DrawQuad(QPainter& g, const QRect& area, const fw::Package& package, int gw_right,
              const std::map<fw::PinRole, QPoint>& terminals) {
  const Quad q(area, package);
  constexpr int stub = 12;
  g.setPen(QPen(Qt::black, 2));
  g.setBrush(QColor(40, 40, 40));
  g.drawRect(q.left, q.top, q.size, q.size);
  g.setBrush(Qt::white);
  g.drawEllipse(QPoint(q.left + 34, q.top + 30), 5, 5);  // the pin 1 mark
  std::map<int, const fw::PinUse*> used;
  for (const fw::PinUse& use : package.uses) used[use.pin] = &use;
  for (int pin = 1; pin <= package.pins; ++pin) {
    const auto [side, at] = q.Place(pin);
    const auto it = used.find(pin);
    g.setPen(Qt::NoPen);
    g.setBrush(it == used.end() ? QColor(150, 150, 150) : RoleColor(it->second->role));
    if (side % 2 == 0) {
      g.drawRect(side == 0 ? q.left - stub : q.right(), at.y() - 3, stub, 6);
    } else {
      g.drawRect(at.x() - 3, side == 1 ? q.bottom() : q.top - stub, 6, stub);
    }
    if (it != used.end() || pin % 8 == 1) {
      // The used pins and every eighth are numbered inside the body.
      g.setPen(Qt::white);
      g.setFont(Font(10));
      const QPoint inward = side == 0 ? QPoint(12, 0) : side == 1 ? QPoint(0, -12) : side == 2 ? QPoint(-12, 0) : QPoint(0, 12);
      g.drawText(QRect(at.x() + inward.x() - 12, at.y() + inward.y() - 7, 24, 14), Qt::AlignCenter,
                 QString::number(pin));
    }
  }
  int lane = 0, line = 0;
  for (const fw::PinRole role : kRoles) {
    for (const fw::PinUse& use : package.uses) {
      if (use.role != role) continue;
      const auto [side, at] = q.Place(use.pin);
      const QPoint from = terminals.at(role);
      const int lane_x = gw_right + 16 + lane * 9;
      const int below = q.bottom() + stub + 10 + lane * 7, above = q.top - stub - 10 - lane * 7;
      const int beside = q.right() + stub + 10 + lane * 7;
      QPainterPath path(from);
      path.lineTo(lane_x, from.y());
      switch (side) {
        case 0:
          path.lineTo(lane_x, at.y());
          path.lineTo(q.left - stub, at.y());
          break;
        case 1:
          path.lineTo(lane_x, below);
          path.lineTo(at.x(), below);
          path.lineTo(at.x(), q.bottom() + stub);
          break;
        case 2:
          path.lineTo(lane_x, below);
          path.lineTo(beside, below);
          path.lineTo(beside, at.y());
          path.lineTo(q.right() + stub, at.y());
          break;
        default:
          path.lineTo(lane_x, above);
          path.lineTo(at.x(), above);
          path.lineTo(at.x(), q.top - stub);
          break;
      }
      g.setPen(QPen(RoleColor(role), 2));
      g.setBrush(Qt::NoBrush);
      g.drawPath(path);
      ++lane;
      // The list beside the package: pin, line, the datasheet's name.
      g.setPen(RoleColor(role));
      g.setFont(Font(12, true));
      const QString name = fw::RoleName(role);
      const QString text = name.startsWith(use.label) ? QString("%1  %2").arg(use.pin).arg(name)
                                                      : QString("%1  %2 = %3").arg(use.pin).arg(name, use.label);
      g.drawText(QRect(q.right() + stub + 110, q.top + line++ * 18, area.right() - q.right() - stub - 110, 16),
                 Qt::AlignLeft | Qt::AlignVCenter, text);
    }
  }
}

// One package and the gateway beside it, inside `area`.
void DrawPanel(QPainter& g, const QRect& area, const fw::Package& package, bool narrow) {
  const Panel p(area, package, narrow);
  g.setFont(Font(narrow ? 14 : 18, true));
  g.setPen(Qt::black);
  g.drawText(QRect(area.left(), area.top(), area.width(), 26), Qt::AlignCenter,
             QString("%1 (%2-%3)")
                 .arg(package.chips)
                 .arg(package.outline != nullptr ? package.outline : package.quad ? "TQFP" : "DIP")
                 .arg(package.pins));
  if (package.quad) {
    DrawQuad(g, area, package, p.gw_left + p.gw_width, DrawGateway(g, p));
    return;
  }
  const std::map<fw::PinRole, QPoint> terminals = DrawGateway(g, p);
  DrawPackage(g, p);
  // A line from each gateway signal to every pin that takes it.
  int lane = 0;
  for (const fw::PinRole role : kRoles) {
    for (const fw::PinUse& use : package.uses) {
      if (use.role == role) DrawWire(g, p, use, terminals.at(role), lane++);
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
  // Without a pin diagram the connections are the picture, in words.
  const bool in_words = panels == 0 && pinout.note != nullptr;
  if (in_words) {
    g.setFont(Font(20, true));
    g.drawText(QRect(80, 200, kWidth - 160, 300), Qt::AlignCenter | Qt::TextWordWrap, pinout.note);
  }
  g.setPen(QColor(80, 80, 80));
  g.setFont(Font(13));
  QString footer = QString("Pins from the %1.").arg(pinout.source);
  if (pinout.note != nullptr && !in_words) footer += QString("\n%1").arg(pinout.note);
  footer += "\nConnect VDD and GND (VSS) first; keep the ICSP lines short.";
  g.drawText(QRect(16, kHeight - 64, kWidth - 32, 60), Qt::AlignLeft | Qt::TextWordWrap, footer);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  // --png: the same pictures as PNG, under the JPEG name with .png, for a
  // Qt that reads no JPEG (the one the Windows build is made with).
  const bool png = argc == 3 && std::string(argv[1]) == "--png";
  if (argc != 2 && !png) {
    std::fprintf(stderr, "usage: make_pictures [--png] OUTPUT_DIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[argc - 1]));
  if (!out.mkpath(".")) return 1;
  for (const fw::Pinout& pinout : fw::Pinouts()) {
    QString name = QString::fromUtf8(pinout.picture);
    if (png) name = name.left(name.lastIndexOf('.')) + ".png";
    if (!Draw(pinout).save(out.filePath(name), png ? "PNG" : "JPG", 90)) {
      std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(name));
      return 1;
    }
  }
  return 0;
}
