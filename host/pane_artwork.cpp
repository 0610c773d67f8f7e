// Draws the Tandrel pane's pictures into a folder at build time: the eye and its box, the
// warning icon, the animated preview (a strip of frames) and the application icon.
//
//   tandrel-pane-artwork FOLDER
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>

namespace {

const QColor kAccent(0x2f, 0x6f, 0xd6);
const QColor kInk(0x2b, 0x2f, 0x36);

QImage Canvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// The box the eye moves in: a white of the eye with a soft rim.
QImage Box(int size) {
  QImage image = Canvas(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient white(size / 2.0, size / 2.0, size / 2.0);
  white.setColorAt(0.0, QColor(255, 255, 255));
  white.setColorAt(0.85, QColor(244, 246, 250));
  white.setColorAt(1.0, QColor(214, 220, 230));
  p.setBrush(white);
  p.setPen(QPen(QColor(150, 160, 175), 1.5));
  p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
  return image;
}

// The eye: an iris with its pupil and a glint.
QImage Eye(int size) {
  QImage image = Canvas(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient iris(size * 0.45, size * 0.4, size / 2.0);
  iris.setColorAt(0.0, kAccent.lighter(140));
  iris.setColorAt(1.0, kAccent.darker(130));
  p.setBrush(iris);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
  p.setBrush(QColor(20, 24, 32));
  p.drawEllipse(QPointF(size / 2.0, size / 2.0), size * 0.22, size * 0.22);
  p.setBrush(QColor(255, 255, 255, 220));
  p.drawEllipse(QPointF(size * 0.38, size * 0.36), size * 0.08, size * 0.08);
  return image;
}

QImage Warning(int size) {
  QImage image = Canvas(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath triangle;
  triangle.moveTo(size / 2.0, 2);
  triangle.lineTo(size - 2, size - 3);
  triangle.lineTo(2, size - 3);
  triangle.closeSubpath();
  p.setPen(QPen(QColor(0xb0, 0x6a, 0x00), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(0xf5, 0xb3, 0x1b));
  p.drawPath(triangle);
  p.setPen(Qt::NoPen);
  p.setBrush(kInk);
  p.drawRoundedRect(QRectF(size / 2.0 - size * 0.06, size * 0.3, size * 0.12, size * 0.34), 1.5,
                    1.5);
  p.drawEllipse(QPointF(size / 2.0, size * 0.76), size * 0.07, size * 0.07);
  return image;
}

void Pointer(QPainter& p, QPointF tip, double scale) {
  QPainterPath arrow;
  const QPointF shape[] = {{0, 0},     {0, 17}, {4.5, 13}, {7.5, 19.5},
                           {10, 18.5}, {7, 12}, {12.5, 12}};
  arrow.moveTo(tip);
  for (const QPointF& point : shape) arrow.lineTo(tip + point * scale);
  arrow.closeSubpath();
  p.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(kInk);
  p.drawPath(arrow);
}

// One frame of the preview: a list in a window; the pointer comes to a row, holds while a ring
// fills, and the row's context menu opens under it.
void PreviewFrame(QPainter& p, QRectF area, int frame, int frames) {
  p.save();
  p.translate(area.topLeft());
  double w = area.width();
  double h = area.height();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(196, 202, 212), 1));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(6.5, 6.5, w - 13, h - 13), 8, 8);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(236, 239, 244));
  p.drawRoundedRect(QRectF(7, 7, w - 14, 20), 7, 7);
  p.drawRect(QRectF(7, 18, w - 14, 9));
  for (int dot = 0; dot < 3; ++dot) {
    p.setBrush(QColor(dot == 0 ? 0xee : 0xd0, dot == 1 ? 0xb8 : 0xc4, dot == 2 ? 0x60 : 0xcc));
    p.drawEllipse(QPointF(18 + dot * 11, 17), 3.5, 3.5);
  }

  double phase = double(frame) / frames;  // 0 .. 1 over the loop
  const int rows = 5;
  const double rowTop = 36;
  const double rowHeight = (h - rowTop - 14) / rows;
  const int chosen = 2;
  bool holding = phase >= 0.25 && phase < 0.9;
  for (int row = 0; row < rows; ++row) {
    QRectF line(14, rowTop + row * rowHeight, w - 28, rowHeight - 3);
    if (row == chosen && holding) {
      p.setBrush(QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 40));
      p.drawRoundedRect(line, 4, 4);
    }
    p.setBrush(QColor(210, 215, 224));
    p.drawRoundedRect(QRectF(line.left() + 8, line.center().y() - 3, 14, 6), 3, 3);
    p.setBrush(QColor(222, 226, 233));
    p.drawRoundedRect(QRectF(line.left() + 28, line.center().y() - 3,
                             (line.width() - 60) * (0.55 + 0.1 * ((row * 7) % 4)), 6),
                      3, 3);
  }

  QPointF target(w * 0.42, rowTop + chosen * rowHeight + rowHeight * 0.5);
  QPointF start(w * 0.78, h * 0.86);
  QPointF tip = target;
  if (phase < 0.25) {
    double t = phase / 0.25;
    t = t * t * (3 - 2 * t);
    tip = start + (target - start) * t;
  }
  if (holding && phase < 0.6) {
    // The hold: a ring fills around the press point.
    double filled = (phase - 0.25) / 0.35;
    p.setPen(QPen(QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 60), 3.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(target, 13, 13);
    p.setPen(QPen(kAccent, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(target - QPointF(13, 13), QSizeF(26, 26)), 90 * 16, int(-360 * 16 * filled));
  }
  if (phase >= 0.6 && phase < 0.9) {
    QRectF menu(target.x() + 6, target.y() + 4, w * 0.36, 4 * 15 + 8);
    p.setPen(QPen(QColor(180, 186, 198), 1));
    p.setBrush(QColor(0, 0, 0, 30));
    p.drawRoundedRect(menu.translated(2, 3), 6, 6);
    p.setBrush(QColor(250, 251, 253));
    p.drawRoundedRect(menu, 6, 6);
    p.setPen(Qt::NoPen);
    for (int item = 0; item < 4; ++item) {
      QRectF entry(menu.left() + 4, menu.top() + 4 + item * 15, menu.width() - 8, 14);
      if (item == 0) {
        p.setBrush(kAccent);
        p.drawRoundedRect(entry, 3, 3);
      }
      p.setBrush(item == 0 ? QColor(255, 255, 255) : QColor(190, 196, 206));
      p.drawRoundedRect(QRectF(entry.left() + 6, entry.center().y() - 2.5,
                               entry.width() * (0.45 + 0.12 * (item % 3)), 5),
                        2.5, 2.5);
    }
  }
  Pointer(p, tip, 1.0);
  p.restore();
}

QImage Preview(int width, int height, int frames) {
  QImage image = Canvas(width * frames, height);
  QPainter p(&image);
  for (int frame = 0; frame < frames; ++frame) {
    PreviewFrame(p, QRectF(frame * width, 0, width, height), frame, frames);
  }
  return image;
}

QImage Icon(int size) {
  QImage image = Canvas(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  double s = size / 128.0;
  QLinearGradient face(0, 0, 0, size);
  face.setColorAt(0, kAccent.lighter(125));
  face.setColorAt(1, kAccent.darker(115));
  p.setPen(Qt::NoPen);
  p.setBrush(face);
  p.drawRoundedRect(QRectF(6 * s, 6 * s, 116 * s, 116 * s), 26 * s, 26 * s);
  QPointF centre(58 * s, 56 * s);
  p.setPen(QPen(QColor(255, 255, 255, 90), 9 * s));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(centre, 34 * s, 34 * s);
  p.setPen(QPen(Qt::white, 9 * s, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(centre - QPointF(34 * s, 34 * s), QSizeF(68 * s, 68 * s)), 90 * 16, -250 * 16);
  Pointer(p, centre, 2.6 * s);
  return image;
}

bool Save(const QImage& image, const QDir& folder, const char* name) {
  if (image.save(folder.filePath(QString::fromLatin1(name)), "PNG")) return true;
  std::fprintf(stderr, "tandrel-pane-artwork: cannot write %s\n", name);
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tandrel-pane-artwork FOLDER\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(QStringLiteral("."))) return 1;
  bool saved = Save(Box(64), folder, "box.png") && Save(Eye(24), folder, "eye.png") &&
               Save(Warning(32), folder, "warning.png") &&
               Save(Preview(260, 170, 30), folder, "preview.png") &&
               Save(Icon(48), folder, "icon.png") &&
               Save(Icon(128), folder, "tandrel-preferences.png");
  return saved ? 0 : 1;
}
