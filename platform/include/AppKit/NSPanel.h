// Alerts: a modal panel that waits for the user, and a sheet on a window that does not.
#pragma once

#include <AppKit/NSWindow.h>

#include <functional>
#include <optional>

// Which button dismissed an alert.
inline constexpr NSInteger NSAlertDefaultReturn = 1;
inline constexpr NSInteger NSAlertAlternateReturn = 0;
inline constexpr NSInteger NSAlertOtherReturn = -1;
inline constexpr NSInteger NSAlertErrorReturn = -2;

// Shows an informational alert and returns once the user has dismissed it, with the button's
// code. The run loop meanwhile runs in the modal panel mode only. A button that is nothing is
// not shown. The message is shown as it is.
NSInteger NSRunInformationalAlertPanel(const NSString& title, const NSString& message,
                                       std::optional<NSString> defaultButton,
                                       std::optional<NSString> alternateButton,
                                       std::optional<NSString> otherButton);

// Called when the sheet ends, and when it has gone from the screen.
using NSSheetCallback = std::function<void(NSWindow* sheet, NSInteger returnCode, void* context)>;

// Shows an alert sheet on `docWindow` and returns at once; the callbacks, when given, are
// called later with the button the user chose. The message is shown as it is.
void NSBeginAlertSheet(const NSString& title, std::optional<NSString> defaultButton,
                       std::optional<NSString> alternateButton, std::optional<NSString> otherButton,
                       NSWindow* docWindow, NSObject* modalDelegate, NSSheetCallback didEndSelector,
                       NSSheetCallback didDismissSelector, void* contextInfo,
                       const NSString& message);
