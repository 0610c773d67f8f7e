#include "qt_widgets.h"

#include <QPainter>
#include <QShowEvent>

#include <algorithm>
#include <cmath>

namespace qt_desktop {

namespace {
constexpr int kSpokes = 12;
}  // namespace

Spinner::Spinner(QWidget* parent) : QWidget(parent) {
  timer_.setInterval(1000 / kSpokes);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] {
    step_ = (step_ + 1) % kSpokes;
    update();
  });
  setAttribute(Qt::WA_TransparentForMouseEvents);
  QWidget::setVisible(false);
}

void Spinner::setSpinning(bool spinning) {
  if (spinning == timer_.isActive()) return;
  if (spinning) {
    timer_.start();
  } else {
    timer_.stop();
  }
  setVisible(spinning);
}

void Spinner::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  double size = std::min(width(), height());
  painter.translate(width() / 2.0, height() / 2.0);
  QColor colour = palette().color(QPalette::WindowText);
  QPen pen(colour, std::max(1.5, size / 10.0), Qt::SolidLine, Qt::RoundCap);
  for (int i = 0; i < kSpokes; ++i) {
    // The spoke at the current step is darkest; the ones behind it fade.
    int age = (step_ - i + kSpokes) % kSpokes;
    colour.setAlphaF(1.0 - 0.8 * age / double(kSpokes - 1));
    pen.setColor(colour);
    painter.setPen(pen);
    painter.save();
    painter.rotate(i * 360.0 / kSpokes);
    painter.drawLine(QPointF(0, -size * 0.25), QPointF(0, -size * 0.45));
    painter.restore();
  }
}

AnimatedImage::AnimatedImage(QWidget* parent, const QPixmap& picture, int frames,
                             int frameMilliseconds)
    : QLabel(parent), strip_(picture), frames_(std::max(1, frames)) {
  timer_.setInterval(std::max(16, frameMilliseconds));
  QObject::connect(&timer_, &QTimer::timeout, this, [this] {
    frame_ = (frame_ + 1) % frames_;
    showFrame();
  });
  showFrame();
}

void AnimatedImage::setAnimating(bool animating) {
  if (animating == animating_) return;
  animating_ = animating;
  if (!animating) frame_ = 0;
  showFrame();
  updateTimer();
}

void AnimatedImage::showEvent(QShowEvent* event) {
  QLabel::showEvent(event);
  updateTimer();
}

void AnimatedImage::hideEvent(QHideEvent* event) {
  QLabel::hideEvent(event);
  updateTimer();
}

void AnimatedImage::showFrame() {
  if (strip_.isNull()) return;
  if (frames_ == 1) {
    setPixmap(strip_);
    return;
  }
  int width = strip_.width() / frames_;
  setPixmap(strip_.copy(frame_ * width, 0, width, strip_.height()));
}

void AnimatedImage::updateTimer() {
  bool run = animating_ && frames_ > 1 && isVisible();
  if (run && !timer_.isActive()) timer_.start();
  if (!run) timer_.stop();
}

}  // namespace qt_desktop
