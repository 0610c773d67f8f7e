// What the pane's classes offer its interface layout, by name: the outlets the layout fills and
// the actions its controls send.
#include "ComCorvantixTandrelEyeController.h"
#include "ComCorvantixTandrelPreferenceController.h"

#include <AppKit/NSNibConnections.h>

using Pane = ComCorvantixTandrelPreferenceController;
using Eye = ComCorvantixTandrelEyeController;

NS_OUTLET(Pane, switchOnProgress);
NS_OUTLET(Pane, switchOnOff);
NS_OUTLET(Pane, switchOnRadio);
NS_OUTLET(Pane, switchOffRadio);
NS_OUTLET(Pane, previewView);
NS_OUTLET(Pane, previewImage);
NS_OUTLET(Pane, clickAndHoldTimeSlider);
NS_OUTLET(Pane, clickAndHoldTimeText);
NS_OUTLET(Pane, assistiveDevicesWarningView);
NS_OUTLET(Pane, assistiveDevicesWarningIcon);
NS_OUTLET(Pane, aboutVersion);

NS_ACTION(Pane, switchOnClicked);
NS_ACTION(Pane, switchOffClicked);
NS_ACTION(Pane, clickAndHoldTimeSliderMoved);
NS_ACTION(Pane, gotoCorvantixWebPage);
NS_ACTION(Pane, doNothingAction);
NS_ACTION(Pane, openAssistiveDevicesPrefPaneClicked);

NS_OUTLET(Eye, boundaryBox);
NS_OUTLET(Eye, eyeImage);
NS_ACTION(Eye, awakeFromNib);
