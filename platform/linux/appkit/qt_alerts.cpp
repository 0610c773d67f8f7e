// Alerts on Qt: the modal informational panel runs its own loop with the run loop in the modal
// panel mode; the sheet is a window-modal message box on the pane's window and returns at once.
#include "qt_internal.h"

#include <LinuxObjects.h>

#include <AppKit/NSPanel.h>
#include <Foundation/NSLog.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

namespace {

struct Buttons {
  std::vector<std::pair<QAbstractButton*, NSInteger>> codes;
  NSInteger codeOf(QAbstractButton* clicked) const {
    for (const auto& [button, code] : codes) {
      if (button == clicked) return code;
    }
    return codes.empty() ? NSAlertDefaultReturn : codes.front().second;
  }
};

// A button that is nothing is not shown; with none at all the alert still has one to close it.
Buttons AddButtons(QMessageBox& box, const std::optional<NSString>& defaultButton,
                   const std::optional<NSString>& alternateButton,
                   const std::optional<NSString>& otherButton) {
  Buttons buttons;
  QString first = defaultButton && !defaultButton->empty() ? QString::fromStdString(*defaultButton)
                                                           : QStringLiteral("OK");
  QPushButton* main = box.addButton(first, QMessageBox::AcceptRole);
  box.setDefaultButton(main);
  buttons.codes.emplace_back(main, NSAlertDefaultReturn);
  if (alternateButton) {
    buttons.codes.emplace_back(
        box.addButton(QString::fromStdString(*alternateButton), QMessageBox::RejectRole),
        NSAlertAlternateReturn);
  }
  if (otherButton) {
    buttons.codes.emplace_back(
        box.addButton(QString::fromStdString(*otherButton), QMessageBox::ActionRole),
        NSAlertOtherReturn);
  }
  return buttons;
}

}  // namespace

NSInteger NSRunInformationalAlertPanel(const NSString& title, const NSString& message,
                                       std::optional<NSString> defaultButton,
                                       std::optional<NSString> alternateButton,
                                       std::optional<NSString> otherButton) {
  if (QApplication::instance() == nullptr) {
    NSLog("%s: %s", title.c_str(), message.c_str());
    return NSAlertErrorReturn;
  }
  QMessageBox box(QMessageBox::Information, QString::fromStdString(title),
                  QString::fromStdString(message), QMessageBox::NoButton,
                  QApplication::activeWindow());
  box.setObjectName("informationalAlertPanel");
  box.setTextFormat(Qt::PlainText);
  Buttons buttons = AddButtons(box, defaultButton, alternateButton, otherButton);
  CFRunLoopMode previous = CFRunLoopCopyCurrentMode(CFRunLoopGetCurrent());
  qt_desktop::ModalScope modal;
  linux_desktop::SetRunLoopMode(NSModalPanelRunLoopMode);
  box.exec();
  linux_desktop::SetRunLoopMode(previous);
  return buttons.codeOf(box.clickedButton());
}

void NSBeginAlertSheet(const NSString& title, std::optional<NSString> defaultButton,
                       std::optional<NSString> alternateButton, std::optional<NSString> otherButton,
                       NSWindow* docWindow, NSObject*, NSSheetCallback didEndSelector,
                       NSSheetCallback didDismissSelector, void* contextInfo,
                       const NSString& message) {
  if (QApplication::instance() == nullptr) {
    NSLog("%s: %s", title.c_str(), message.c_str());
    return;
  }
  QWidget* parent = docWindow ? qt_desktop::WindowWidgetOf(docWindow->contentView()) : nullptr;
  auto* box = new QMessageBox(QMessageBox::Warning, QString::fromStdString(title),
                              QString::fromStdString(message), QMessageBox::NoButton, parent);
  box->setObjectName("alertSheet");
  box->setTextFormat(Qt::PlainText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
  Buttons buttons = AddButtons(*box, defaultButton, alternateButton, otherButton);
  QObject::connect(box, &QMessageBox::finished, box,
                   [box, buttons, docWindow, didEndSelector, didDismissSelector, contextInfo] {
                     NSInteger code = buttons.codeOf(box->clickedButton());
                     if (didEndSelector) didEndSelector(docWindow, code, contextInfo);
                     if (didDismissSelector) didDismissSelector(docWindow, code, contextInfo);
                   });
  box->open();
}
