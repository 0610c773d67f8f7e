#include "ComCorvantixTandrelEyeController.h"

#include <AppKit/NSWindow.h>
#include <Foundation/NSTimer.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

NS_REGISTER_CLASS(ComCorvantixTandrelEyeController);

ComCorvantixTandrelEyeController::~ComCorvantixTandrelEyeController() {
  if (eyeMovingTimer != nullptr) eyeMovingTimer->invalidate();
}

void ComCorvantixTandrelEyeController::awakeFromNib() {
  updateEye(nullptr);
  eyeMovingTimer = NSTimer::scheduledTimerWithTimeInterval(
      0.1, this, &ComCorvantixTandrelEyeController::updateEye, nullptr, true);
  // The eye follows the pointer also while a control of the pane is being dragged.
  NSRunLoop::currentRunLoop()->addTimer(eyeMovingTimer, NSEventTrackingRunLoopMode);
  sLastPosition = NSMakePoint(0, 0);
}

void ComCorvantixTandrelEyeController::updateEye(NSObject* sender) {
  (void)sender;
  // Out of a window there is no pointer to look at; a later tick places the eye.
  NSWindow* window = boundaryBox->window();
  if (window == nullptr) return;

  NSPoint mouse =
      boundaryBox->convertPointFromView(window->mouseLocationOutsideOfEventStream(), nullptr);
  float boxWidth = boundaryBox->bounds().size.width;
  float eyeWidth = eyeImage->bounds().size.width;
  float reference = boxWidth * 0.5f - eyeWidth * 0.5f;
  float dx = reference - mouse.x;
  float dy = reference - mouse.y;
  float sx = dx < 0.0f ? 1.0f : -1.0f;
  float sy = dy < 0.0f ? 1.0f : -1.0f;
  if (dx == 0.0f) dx = 0.001f;

  float radius = reference;
  if (NSPointInRect(mouse, boundaryBox->bounds())) {
    radius =
        static_cast<float>(std::abs(static_cast<int>(dx))) - eyeImage->bounds().size.width * 0.5f;
    if (radius <= 0.0f) radius = 1.0f;
  }

  double ddx = dx, ddy = dy, r = radius;
  double slope = ddy * ddy / (ddx * ddx);
  float u =
      static_cast<float>(-ddy * ddy / (2.0 * ddx * ddx) +
                         std::sqrt(r * slope + std::pow(ddy, 4.0) / (4.0 * std::pow(ddx, 4.0))));
  // Rounding can put u a hair above the radius; the eye then sits on the vertical, not nowhere.
  float v = static_cast<float>(std::sqrt(std::max(0.0, r * r - double(u) * double(u))));
  float x = sx * v;
  float y = sy * u;

  float boxCentre = boundaryBox->bounds().size.width * 0.5f;
  NSPoint origin = NSMakePoint((boxCentre + x) - eyeImage->bounds().size.width * 0.5f,
                               (boxCentre + y) - eyeImage->bounds().size.height * 0.5f);
  NSPoint position = boundaryBox->convertPointToView(origin, eyeImage->superview());
  if (NSEqualPoints(position, sLastPosition)) return;
  sLastPosition = position;
  eyeImage->setHidden(true);
  eyeImage->setFrameOrigin(position);
  eyeImage->setHidden(false);
}
