// Layouts in the Qt Designer format (.ui): absolutely placed widgets, each standing for one view
// of the seam, and connections that name the owner's actions. Objects of classes that are not
// widgets are made by name, and their dynamic properties name the objects their outlets hold.
#include "qt_internal.h"
#include "qt_widgets.h"

#include <tandrel/appkit/qt_desktop.h>

#include <AppKit/NSControl.h>
#include <AppKit/NSNibConnections.h>

#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QXmlStreamReader>

#include <cmath>
#include <map>
#include <set>

namespace qt_desktop {
namespace {

struct Property {
  QString kind;  // the value's element: rect, string, number, bool, pixmap, font, set, ...
  QString text;
  QRect rect;
  QFont font;
  bool dynamic = false;  // stdset="0": not a Qt property but the layout's own
};

struct Node {
  QString className;
  QString name;
  std::map<QString, Property> properties;
  std::vector<std::unique_ptr<Node>> children;

  const Property* property(const char* key) const {
    auto found = properties.find(QString::fromLatin1(key));
    return found == properties.end() ? nullptr : &found->second;
  }
  QString text(const char* key, const QString& otherwise = {}) const {
    const Property* p = property(key);
    return p ? p->text : otherwise;
  }
  double number(const char* key, double otherwise) const {
    const Property* p = property(key);
    bool ok = false;
    double value = p ? p->text.toDouble(&ok) : 0.0;
    return ok ? value : otherwise;
  }
  bool flag(const char* key, bool otherwise) const {
    const Property* p = property(key);
    return p ? p->text == QLatin1String("true") : otherwise;
  }
};

struct Connection {
  QString sender;
  QString receiver;
  QString slot;
};

Property ReadValue(QXmlStreamReader& xml) {
  Property value;
  while (xml.readNextStartElement()) {
    value.kind = xml.name().toString();
    if (value.kind == QLatin1String("rect")) {
      int numbers[4] = {0, 0, 0, 0};
      while (xml.readNextStartElement()) {
        QStringView part = xml.name();
        int number = xml.readElementText().toInt();
        if (part == QLatin1String("x")) numbers[0] = number;
        if (part == QLatin1String("y")) numbers[1] = number;
        if (part == QLatin1String("width")) numbers[2] = number;
        if (part == QLatin1String("height")) numbers[3] = number;
      }
      value.rect = QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
    } else if (value.kind == QLatin1String("font")) {
      while (xml.readNextStartElement()) {
        QStringView part = xml.name();
        QString text = xml.readElementText();
        if (part == QLatin1String("pointsize")) value.font.setPointSize(text.toInt());
        if (part == QLatin1String("bold")) value.font.setBold(text == QLatin1String("true"));
        if (part == QLatin1String("italic")) value.font.setItalic(text == QLatin1String("true"));
      }
    } else {
      value.text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
    }
  }
  return value;
}

std::unique_ptr<Node> ReadWidget(QXmlStreamReader& xml) {
  auto node = std::make_unique<Node>();
  node->className = xml.attributes().value(QLatin1String("class")).toString();
  node->name = xml.attributes().value(QLatin1String("name")).toString();
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("property")) {
      QString key = xml.attributes().value(QLatin1String("name")).toString();
      bool dynamic = xml.attributes().value(QLatin1String("stdset")) == QLatin1String("0");
      Property value = ReadValue(xml);
      value.dynamic = dynamic;
      node->properties[key] = value;
    } else if (xml.name() == QLatin1String("widget")) {
      node->children.push_back(ReadWidget(xml));
    } else {
      xml.skipCurrentElement();
    }
  }
  return node;
}

std::vector<Connection> ReadConnections(QXmlStreamReader& xml) {
  std::vector<Connection> connections;
  while (xml.readNextStartElement()) {
    if (xml.name() != QLatin1String("connection")) {
      xml.skipCurrentElement();
      continue;
    }
    Connection connection;
    while (xml.readNextStartElement()) {
      QStringView part = xml.name();
      QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
      if (part == QLatin1String("sender")) connection.sender = text;
      if (part == QLatin1String("receiver")) connection.receiver = text;
      if (part == QLatin1String("slot")) connection.slot = text;
    }
    connections.push_back(connection);
  }
  return connections;
}

// An action handler held by an object, for cells whose actions take a target and a method.
class ActionTrampoline : public NSObject {
 public:
  explicit ActionTrampoline(NSActionHandler handler) : handler_(std::move(handler)) {}
  void fire(NSObject* sender) { handler_(sender); }

 private:
  NSActionHandler handler_;
};

// Sends the slider's action when the mouse button that moved it without a drag (a click on the
// groove) is let go: the controller saves on the event without pressure.
class SliderReleaseWatcher : public QObject {
 public:
  SliderReleaseWatcher(QSlider* widget, NSSlider* slider) : QObject(widget), slider_(slider) {
    widget->installEventFilter(this);
  }
  bool pending = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease && pending) {
      pending = false;
      slider_->sendAction();
    }
    return false;
  }

 private:
  NSSlider* slider_;
};

Qt::Alignment AlignmentOf(const QString& text) {
  Qt::Alignment alignment;
  const std::pair<const char*, Qt::AlignmentFlag> names[] = {
      {"Qt::AlignLeft", Qt::AlignLeft},       {"Qt::AlignRight", Qt::AlignRight},
      {"Qt::AlignHCenter", Qt::AlignHCenter}, {"Qt::AlignTop", Qt::AlignTop},
      {"Qt::AlignBottom", Qt::AlignBottom},   {"Qt::AlignVCenter", Qt::AlignVCenter},
      {"Qt::AlignCenter", Qt::AlignCenter}};
  for (const auto& [name, flag] : names) {
    if (text.contains(QLatin1String(name))) alignment |= flag;
  }
  return alignment;
}

}  // namespace

struct Nib::Parts {
  std::string folder;
  NSObject* owner = nullptr;
  NSBundle* bundle = nullptr;
  std::vector<std::unique_ptr<NSView>> views;
  std::vector<std::unique_ptr<NSObject>> objects;  // made by name: controllers of the layout
  std::vector<std::unique_ptr<ActionTrampoline>> trampolines;
  std::map<QString, NSObject*> byName;
  std::vector<std::pair<NSObject*, const Node*>> madeByName;
  NSView* top = nullptr;
  QPointer<QWidget> topWidget;
  std::string error;

  ~Parts() {
    // The layout's controllers go first: their timers look at the views.
    objects.clear();
    for (const auto& view : views) Unbind(view.get());
    delete topWidget.data();
    while (!views.empty()) views.pop_back();  // children before their superviews
  }

  bool fail(const QString& message) {
    if (error.empty()) error = message.toStdString();
    return false;
  }

  QPixmap pixmap(const QString& file) const {
    return QPixmap(QString::fromStdString(folder) + QLatin1Char('/') + file);
  }

  void applyCommon(const Node& node, QWidget* widget) {
    widget->setObjectName(node.name);
    if (const Property* p = node.property("styleSheet")) widget->setStyleSheet(p->text);
    if (const Property* p = node.property("font")) widget->setFont(p->font);
    if (const Property* p = node.property("toolTip")) widget->setToolTip(p->text);
    if (const Property* p = node.property("cursor")) {
      if (p->text.contains(QLatin1String("PointingHand")))
        widget->setCursor(Qt::PointingHandCursor);
    }
    if (const Property* p = node.property("accessibleName")) widget->setAccessibleName(p->text);
    for (const char* key : {kSuffixProperty, kScaleProperty}) {
      if (const Property* p = node.property(key)) widget->setProperty(key, p->text);
    }
  }

  bool build(const Node& node, QWidget* parentWidget, NSView* parentView) {
    const QString& type = node.className;
    QRect place =
        node.property("geometry") ? node.property("geometry")->rect : QRect(0, 0, 100, 30);
    double parentHeight = parentView ? parentView->frame().size.height : place.height();
    NSRect frame = NSMakeRect(place.x(), parentHeight - place.y() - place.height(), place.width(),
                              place.height());
    if (parentView == nullptr) frame.origin = NSMakePoint(0, 0);

    if (type == QLatin1String("QRadioButton")) {
      auto* matrix = dynamic_cast<NSMatrix*>(parentView);
      if (matrix == nullptr) return fail(node.name + ": a radio button must be in a matrix");
      auto tag = NSInteger(node.number(kTagProperty, 0));
      QString title = node.text("text");
      NSButtonCell* cell = matrix->addCell(tag, title.toStdString());
      auto* radio = new QRadioButton(title, parentWidget);
      applyCommon(node, radio);
      radio->setGeometry(place);
      radio->setProperty(kTagProperty, qlonglong(tag));
      QObject::connect(radio, &QAbstractButton::clicked, radio, [cell] { cell->performClick(); });
      if (node.flag("checked", false)) matrix->selectCellWithTag(tag);
      byName[node.name] = cell;
      return true;
    }

    std::unique_ptr<NSView> view;
    QWidget* widget = nullptr;
    bool holdsRadios = false;
    for (const auto& child : node.children) {
      holdsRadios = holdsRadios || child->className == QLatin1String("QRadioButton");
    }
    if (type == QLatin1String("QWidget") || type == QLatin1String("QFrame") ||
        type == QLatin1String("QGroupBox")) {
      view = holdsRadios ? std::make_unique<NSMatrix>(frame) : std::make_unique<NSView>(frame);
      if (type == QLatin1String("QGroupBox")) {
        widget = new QGroupBox(node.text("title"), parentWidget);
      } else if (type == QLatin1String("QFrame")) {
        widget = new QFrame(parentWidget);
      } else {
        widget = new QWidget(parentWidget);
      }
    } else if (type == QLatin1String("QLabel") && node.property("pixmap")) {
      QPixmap picture = pixmap(node.text("pixmap"));
      if (picture.isNull()) return fail(node.name + ": no picture " + node.text("pixmap"));
      view = std::make_unique<NSImageView>(frame);
      auto* image = new AnimatedImage(parentWidget, picture, int(node.number("frames", 1)),
                                      int(node.number("frameInterval", 100)));
      image->setScaledContents(node.flag("scaledContents", false));
      image->setAlignment(Qt::AlignCenter);
      widget = image;
    } else if (type == QLatin1String("QLabel")) {
      auto field = std::make_unique<NSTextField>(frame);
      auto* label = new QLabel(parentWidget);
      label->setWordWrap(node.flag("wordWrap", false));
      if (const Property* p = node.property("alignment")) label->setAlignment(AlignmentOf(p->text));
      if (node.flag("openExternalLinks", false)) label->setOpenExternalLinks(true);
      label->setTextFormat(node.text("textFormat").contains(QLatin1String("RichText"))
                               ? Qt::RichText
                               : Qt::AutoText);
      field->setStringValue(node.text("text").toStdString());
      widget = label;
      view = std::move(field);
    } else if (type == QLatin1String("QLineEdit")) {
      auto field = std::make_unique<NSTextField>(frame);
      NSTextField* target = field.get();
      auto* edit = new QLineEdit(parentWidget);
      QObject::connect(edit, &QLineEdit::editingFinished, edit, [target, edit] {
        target->setStringValue(edit->text().toStdString());
        target->sendAction();
      });
      field->setStringValue(node.text("text").toStdString());
      widget = edit;
      view = std::move(field);
    } else if (type == QLatin1String("QPushButton")) {
      auto control = std::make_unique<NSControl>(frame);
      NSControl* target = control.get();
      auto* button = new QPushButton(node.text("text"), parentWidget);
      button->setFlat(node.flag("flat", false));
      button->setDefault(node.flag("default", false));
      QObject::connect(button, &QAbstractButton::clicked, button,
                       [target] { target->sendAction(); });
      widget = button;
      view = std::move(control);
    } else if (type == QLatin1String("QSlider")) {
      auto control = std::make_unique<NSSlider>(frame);
      NSSlider* slider = control.get();
      double scale = node.number(kScaleProperty, 100);
      slider->setMinValue(node.number("minValue", 0));
      slider->setMaxValue(node.number("maxValue", 1));
      bool continuous = node.flag("continuous", true);
      auto* qslider = new QSlider(Qt::Horizontal, parentWidget);
      qslider->setRange(int(std::lround(slider->minValue() * scale)),
                        int(std::lround(slider->maxValue() * scale)));
      qslider->setSingleStep(std::max(1, int(node.number("singleStep", 1))));
      qslider->setPageStep(std::max(1, int(node.number("pageStep", 10))));
      if (const Property* p = node.property("tickInterval")) {
        qslider->setTickInterval(p->text.toInt());
        qslider->setTickPosition(QSlider::TicksBelow);
      }
      auto* watcher = new SliderReleaseWatcher(qslider, slider);
      QObject::connect(qslider, &QSlider::valueChanged, qslider,
                       [slider, qslider, scale, continuous, watcher](int value) {
                         slider->setDoubleValue(value / scale);
                         if (qslider->isSliderDown()) {
                           if (continuous) slider->sendAction();
                         } else if (QGuiApplication::mouseButtons() & Qt::LeftButton) {
                           // A click on the groove: the text follows, the value is sent on release.
                           if (continuous) slider->sendAction();
                           watcher->pending = true;
                         } else {
                           slider->sendAction();
                         }
                       });
      QObject::connect(qslider, &QSlider::sliderReleased, qslider, [slider, watcher] {
        watcher->pending = false;
        slider->sendAction();
      });
      slider->setDoubleValue(node.number("value", slider->minValue()));
      widget = qslider;
      view = std::move(control);
    } else if (type == QLatin1String("QProgressBar")) {
      view = std::make_unique<NSProgressIndicator>(frame);
      widget = new Spinner(parentWidget);
    } else {
      std::unique_ptr<NSObject> object = NSCreateInstanceOfClassNamed(type.toStdString());
      if (!object)
        return fail("the layout names the class " + type + ", which no loaded code provides");
      if (bundle != nullptr) NSBundle::addLoadedClass(typeid(*object), bundle);
      byName[node.name] = object.get();
      madeByName.emplace_back(object.get(), &node);
      objects.push_back(std::move(object));
      return true;
    }

    applyCommon(node, widget);
    view->setIdentifier(node.name.toStdString());
    if (auto* control = dynamic_cast<NSControl*>(view.get())) {
      control->setEnabled(node.flag("enabled", true));
    }
    if (node.property("visible") && !node.flag("visible", true)) view->setHidden(true);
    if (parentView != nullptr) parentView->addSubview(view.get());
    NSView* made = view.get();
    views.push_back(std::move(view));
    byName[node.name] = made;
    if (top == nullptr) {
      top = made;
      topWidget = widget;
    }
    for (const auto& child : node.children) {
      if (!build(*child, widget, made)) return false;
    }
    Bind(made, widget);
    return true;
  }

  bool connect(const std::vector<Connection>& connections, const QString& topName) {
    for (const auto& [object, node] : madeByName) {
      for (const auto& [key, value] : node->properties) {
        if (!value.dynamic ||
            (value.kind != QLatin1String("cstring") && value.kind != QLatin1String("string"))) {
          continue;
        }
        auto target = byName.find(value.text);
        if (target == byName.end())
          return fail(node->name + "." + key + ": no object " + value.text);
        if (!NSConnectOutlet(object, key.toStdString(), target->second)) {
          return fail(node->name + " has no outlet " + key + " for " + value.text);
        }
      }
    }
    // Objects named after the owner's outlets fill them.
    for (const auto& [name, object] : byName) NSConnectOutlet(owner, name.toStdString(), object);

    for (const Connection& connection : connections) {
      auto sender = byName.find(connection.sender);
      if (sender == byName.end()) return fail("a connection from an unknown " + connection.sender);
      NSObject* target = owner;
      if (connection.receiver != topName) {
        auto receiver = byName.find(connection.receiver);
        if (receiver == byName.end())
          return fail("a connection to an unknown " + connection.receiver);
        target = receiver->second;
      }
      QString action = connection.slot.section(QLatin1Char('('), 0, 0);
      if (action.endsWith(QLatin1Char(':'))) action.chop(1);
      NSActionHandler handler = NSActionNamed(target, action.toStdString());
      if (!handler) return fail(connection.receiver + " has no action " + action);
      if (auto* cell = dynamic_cast<NSButtonCell*>(sender->second)) {
        trampolines.push_back(std::make_unique<ActionTrampoline>(handler));
        cell->setTarget(trampolines.back().get(), &ActionTrampoline::fire);
      } else if (auto* control = dynamic_cast<NSControl*>(sender->second)) {
        control->setAction(handler);
      } else {
        return fail(connection.sender + " cannot send actions");
      }
    }
    return true;
  }
};

Nib::Nib(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
Nib::~Nib() = default;

std::unique_ptr<Nib> Nib::load(const std::string& path, NSObject* owner, NSBundle* bundle,
                               std::string* error) {
  auto report = [error](const std::string& message) {
    if (error) *error = message;
    return nullptr;
  };
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return report("cannot read the layout " + path);

  QXmlStreamReader xml(&file);
  std::unique_ptr<Node> root;
  std::vector<Connection> connections;
  if (xml.readNextStartElement() && xml.name() == QLatin1String("ui")) {
    while (xml.readNextStartElement()) {
      if (xml.name() == QLatin1String("widget") && !root) {
        root = ReadWidget(xml);
      } else if (xml.name() == QLatin1String("connections")) {
        connections = ReadConnections(xml);
      } else {
        xml.skipCurrentElement();
      }
    }
  }
  if (xml.hasError()) {
    return report(path + ":" + std::to_string(xml.lineNumber()) + ": " +
                  xml.errorString().toStdString());
  }
  if (!root) return report(path + " holds no widget");

  auto parts = std::make_unique<Parts>();
  parts->folder = QFileInfo(file).absolutePath().toStdString();
  parts->owner = owner;
  parts->bundle = bundle;
  if (!parts->build(*root, nullptr, nullptr) || !parts->connect(connections, root->name)) {
    return report(path + ": " + parts->error);
  }
  for (const auto& [object, node] : parts->madeByName) {
    if (NSActionHandler awake = NSActionNamed(object, "awakeFromNib")) awake(nullptr);
  }
  return std::unique_ptr<Nib>(new Nib(std::move(parts)));
}

NSView* Nib::mainView() const {
  return parts_->top;
}

QWidget* Nib::mainWidget() const {
  return parts_->topWidget.data();
}

NSView* Nib::viewNamed(const std::string& name) const {
  auto found = parts_->byName.find(QString::fromStdString(name));
  return found == parts_->byName.end() ? nullptr : dynamic_cast<NSView*>(found->second);
}

}  // namespace qt_desktop
