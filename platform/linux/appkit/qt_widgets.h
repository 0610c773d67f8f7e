// Widgets the seam needs and Qt Widgets lacks: a spinner, and a picture that animates through the
// frames of a strip.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace qt_desktop {

// The spinner of a progress indicator: shown and turning only while animating, as a spinner that
// is not displayed when stopped.
class Spinner : public QWidget {
 public:
  explicit Spinner(QWidget* parent);
  void setSpinning(bool spinning);
  bool isSpinning() const { return timer_.isActive(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTimer timer_;
  int step_ = 0;
};

// A picture: one pixmap, or a horizontal strip of equal frames shown one after another while
// animating. A still strip shows its first frame. The timer runs only while animating and shown.
class AnimatedImage : public QLabel {
 public:
  AnimatedImage(QWidget* parent, const QPixmap& picture, int frames, int frameMilliseconds);
  void setAnimating(bool animating);
  bool isAnimating() const { return animating_; }
  int frame() const { return frame_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void showFrame();
  void updateTimer();

  QPixmap strip_;
  int frames_;
  int frame_ = 0;
  bool animating_ = false;
  QTimer timer_;
};

}  // namespace qt_desktop
