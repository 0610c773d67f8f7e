// Views, windows, the pointer and the event being handled, on Qt Widgets.
#include "qt_internal.h"
#include "qt_widgets.h"

#include <LinuxObjects.h>
#include <tandrel/appkit/qt_desktop.h>

#include <AppKit/NSControl.h>
#include <AppKit/NSWindow.h>

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QButtonGroup>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>
#include <unordered_map>

namespace qt_desktop {
namespace {

std::unordered_map<const NSView*, QPointer<QWidget>>& Bindings() {
  static std::unordered_map<const NSView*, QPointer<QWidget>> bindings;
  return bindings;
}

int gModalDepth = 0;
bool gPrimaryDown = false;

// Follows the user's input for the whole application: the run loop is in the event-tracking
// mode from a press of the primary button to its release, and the event being handled has the
// pressure of that button.
class InputTracker : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) setPrimaryDown(true);
        break;
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) setPrimaryDown(false);
        break;
      case QEvent::MouseMove:
        setPrimaryDown(static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton);
        break;
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        gPrimaryDown = false;
        break;
      default:
        break;
    }
    return QObject::eventFilter(object, event);
  }

 private:
  static void setPrimaryDown(bool down) {
    if (down == gPrimaryDown) return;
    gPrimaryDown = down;
    if (gModalDepth > 0) return;  // the modal alert owns the mode until it ends
    linux_desktop::SetRunLoopMode(down ? NSEventTrackingRunLoopMode : kCFRunLoopDefaultMode);
  }
};

QPoint QtTopLeft(const NSView& view) {
  NSView* superview = view.superview();
  NSRect frame = view.frame();
  if (superview == nullptr) return {int(std::lround(frame.origin.x)), 0};
  NSRect above = superview->bounds();
  double y = above.size.height - (frame.origin.y - above.origin.y) - frame.size.height;
  return {int(std::lround(frame.origin.x - above.origin.x)), int(std::lround(y))};
}

void SyncMatrix(const NSMatrix& matrix, QWidget* widget) {
  QList<QRadioButton*> radios = widget->findChildren<QRadioButton*>();
  NSInteger selected = matrix.selectedTag();
  for (QRadioButton* radio : radios) {
    QSignalBlocker block(radio);
    bool check = radio->property(kTagProperty).toLongLong() == selected;
    // An exclusive group cannot show no selection: leave it while unchecking.
    QButtonGroup* group = radio->group();
    bool exclusive = radio->autoExclusive();
    if (!check) radio->setAutoExclusive(false);
    if (group != nullptr && !check) group->setExclusive(false);
    radio->setChecked(check);
    if (group != nullptr && !check) group->setExclusive(true);
    radio->setAutoExclusive(exclusive);
  }
}

}  // namespace

void Sync(const NSView& view, QWidget* widget) {
  QSignalBlocker block(widget);
  if (!widget->isWindow()) {
    NSRect frame = view.frame();
    QRect place(QtTopLeft(view),
                QSize(int(std::lround(frame.size.width)), int(std::lround(frame.size.height))));
    if (widget->geometry() != place) widget->setGeometry(place);
    if (widget->isHidden() != view.isHidden()) widget->setHidden(view.isHidden());
  }
  if (const auto* control = dynamic_cast<const NSControl*>(&view)) {
    widget->setEnabled(control->isEnabled());
  }
  if (const auto* matrix = dynamic_cast<const NSMatrix*>(&view)) {
    SyncMatrix(*matrix, widget);
  } else if (const auto* slider = dynamic_cast<const NSSlider*>(&view)) {
    if (auto* qslider = qobject_cast<QSlider*>(widget)) {
      double scale = qslider->property(kScaleProperty).toDouble();
      if (scale <= 0) scale = 1;
      qslider->setValue(int(std::lround(slider->doubleValue() * scale)));
    }
  } else if (const auto* image = dynamic_cast<const NSImageView*>(&view)) {
    if (auto* animated = dynamic_cast<AnimatedImage*>(widget)) {
      animated->setAnimating(image->animates());
    }
  } else if (const auto* field = dynamic_cast<const NSTextField*>(&view)) {
    QString text =
        QString::fromStdString(field->stringValue()) + widget->property(kSuffixProperty).toString();
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      if (label->text() != text) label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      if (!edit->hasFocus()) edit->setText(text);
    }
  } else if (const auto* spinner = dynamic_cast<const NSProgressIndicator*>(&view)) {
    if (auto* shown = dynamic_cast<Spinner*>(widget)) shown->setSpinning(spinner->isAnimating());
  }
}

ModalScope::ModalScope() {
  ++gModalDepth;
}

ModalScope::~ModalScope() {
  --gModalDepth;
}

bool Install(QApplication& application, std::string* problem) {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (dispatcher == nullptr || !dispatcher->inherits("QEventDispatcherGlib")) {
    if (problem) {
      *problem = std::string("Qt's event loop is ") +
                 (dispatcher ? dispatcher->metaObject()->className() : "missing") +
                 ", not the GLib main loop (is QT_NO_GLIB set?)";
    }
    return false;
  }
  application.installEventFilter(new InputTracker(&application));
  return true;
}

void Bind(NSView* view, QWidget* widget) {
  Bindings()[view] = widget;
  Sync(*view, widget);
}

void Unbind(NSView* view) {
  Bindings().erase(view);
}

QWidget* WidgetOf(const NSView* view) {
  auto found = Bindings().find(view);
  return found == Bindings().end() ? nullptr : found->second.data();
}

QWidget* WindowWidgetOf(const NSView* view) {
  for (; view != nullptr; view = view->superview()) {
    if (QWidget* widget = WidgetOf(view)) return widget->window();
  }
  return nullptr;
}

double ScreenHeight() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 0;
  QRect area = screen->geometry();
  return area.y() + area.height();
}

// Keeps the seam's window frame where the Qt window is: the eye and the pointer conversions
// depend on it.
class Window::Tracker : public QObject {
 public:
  Tracker(NSWindow& window, NSView& content, QWidget& widget)
      : window_(window), content_(content), widget_(widget) {
    widget.installEventFilter(this);
  }
  void update() {
    QPoint topLeft = widget_.mapToGlobal(QPoint(0, 0));
    double width = widget_.width();
    double height = widget_.height();
    window_.setFrame(NSMakeRect(topLeft.x(), ScreenHeight() - topLeft.y() - height, width, height));
    content_.setFrame(NSMakeRect(0, 0, width, height));
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (object == &widget_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                               event->type() == QEvent::Show)) {
      update();
    }
    return false;
  }

 private:
  NSWindow& window_;
  NSView& content_;
  QWidget& widget_;
};

Window::Window(NSSize contentSize, const std::string& title)
    : window_(std::make_unique<NSWindow>(NSMakeRect(0, 0, contentSize.width, contentSize.height))),
      content_(std::make_unique<NSView>(NSMakeRect(0, 0, contentSize.width, contentSize.height))),
      widget_(new QWidget) {
  content_->setIdentifier("contentView");
  widget_->setWindowTitle(QString::fromStdString(title));
  widget_->setFixedSize(int(std::lround(contentSize.width)), int(std::lround(contentSize.height)));
  window_->setContentView(content_.get());
  Bind(content_.get(), widget_);
  tracker_ = std::make_unique<Tracker>(*window_, *content_, *widget_);
  tracker_->update();
}

Window::~Window() {
  Unbind(content_.get());
  tracker_.reset();
  window_->setContentView(nullptr);
  delete widget_;
}

void Window::addSubview(NSView* view) {
  content_->addSubview(view);
  if (QWidget* widget = WidgetOf(view)) {
    widget->setParent(widget_);
    Sync(*view, widget);
    widget->setHidden(view->isHidden());
  }
}

}  // namespace qt_desktop

void NSViewStateDidChange(const NSView& view, std::string_view) {
  if (QWidget* widget = qt_desktop::WidgetOf(&view)) qt_desktop::Sync(view, widget);
}

NSPoint NSEvent::mouseLocation() {
  if (QGuiApplication::instance() == nullptr) return NSMakePoint(0, 0);
  QPoint pointer = QCursor::pos();
  return NSMakePoint(pointer.x(), qt_desktop::ScreenHeight() - pointer.y());
}

NSEvent* NSWindow::currentEvent() const {
  static NSEvent pressed(1.0f);
  static NSEvent released(0.0f);
  return qt_desktop::gPrimaryDown ? &pressed : &released;
}
