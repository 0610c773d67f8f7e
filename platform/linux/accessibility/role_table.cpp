#include "role_table.h"

#include <algorithm>
#include <array>

namespace tandrel::desktop {

namespace {

struct RoleRow {
  AtspiRole atspi;
  std::string_view name;
};

// Listed (a hold opens a context menu): AXStaticText, AXRow, AXOutline, AXApplication,
// AXGroup, AXScrollArea, AXWebArea, AXImage, AXWindow, AXToolbar, AXFinderItem.
// Everything else is a control or a structure that must not get a contextual click.
constexpr std::array kRoles = {
    // Text that is read, not edited.
    RoleRow{ATSPI_ROLE_LABEL, "AXStaticText"},
    RoleRow{ATSPI_ROLE_STATIC, "AXStaticText"},
    RoleRow{ATSPI_ROLE_CAPTION, "AXStaticText"},
    RoleRow{ATSPI_ROLE_ACCELERATOR_LABEL, "AXStaticText"},
    RoleRow{ATSPI_ROLE_HEADING, "AXHeading"},
    // Rows. GTK 3's flat tree view exposes cells with no row objects, so a cell is a row.
    RoleRow{ATSPI_ROLE_TABLE_CELL, "AXRow"},
    RoleRow{ATSPI_ROLE_TABLE_ROW, "AXRow"},
    RoleRow{ATSPI_ROLE_LIST_ITEM, "AXRow"},
    RoleRow{ATSPI_ROLE_TREE_ITEM, "AXRow"},
    // Hierarchical views.
    RoleRow{ATSPI_ROLE_TREE_TABLE, "AXOutline"},
    RoleRow{ATSPI_ROLE_TREE, "AXOutline"},
    RoleRow{ATSPI_ROLE_APPLICATION, "AXApplication"},
    // Plain containers.
    RoleRow{ATSPI_ROLE_FILLER, "AXGroup"},
    RoleRow{ATSPI_ROLE_PANEL, "AXGroup"},
    RoleRow{ATSPI_ROLE_GROUPING, "AXGroup"},
    RoleRow{ATSPI_ROLE_SECTION, "AXGroup"},
    RoleRow{ATSPI_ROLE_PARAGRAPH, "AXGroup"},
    RoleRow{ATSPI_ROLE_FORM, "AXGroup"},
    RoleRow{ATSPI_ROLE_ARTICLE, "AXGroup"},
    RoleRow{ATSPI_ROLE_BLOCK_QUOTE, "AXGroup"},
    RoleRow{ATSPI_ROLE_LANDMARK, "AXGroup"},
    RoleRow{ATSPI_ROLE_LAYERED_PANE, "AXGroup"},
    RoleRow{ATSPI_ROLE_ROOT_PANE, "AXGroup"},
    RoleRow{ATSPI_ROLE_GLASS_PANE, "AXGroup"},
    RoleRow{ATSPI_ROLE_OPTION_PANE, "AXGroup"},
    RoleRow{ATSPI_ROLE_STATUS_BAR, "AXGroup"},
    RoleRow{ATSPI_ROLE_INFO_BAR, "AXGroup"},
    RoleRow{ATSPI_ROLE_CANVAS, "AXGroup"},
    RoleRow{ATSPI_ROLE_DRAWING_AREA, "AXGroup"},
    RoleRow{ATSPI_ROLE_SCROLL_PANE, "AXScrollArea"},
    RoleRow{ATSPI_ROLE_VIEWPORT, "AXScrollArea"},
    RoleRow{ATSPI_ROLE_DOCUMENT_WEB, "AXWebArea"},
    RoleRow{ATSPI_ROLE_DOCUMENT_FRAME, "AXWebArea"},
    RoleRow{ATSPI_ROLE_ICON, "AXImage"},
    RoleRow{ATSPI_ROLE_IMAGE, "AXImage"},
    RoleRow{ATSPI_ROLE_ANIMATION, "AXImage"},
    RoleRow{ATSPI_ROLE_FRAME, "AXWindow"},
    RoleRow{ATSPI_ROLE_WINDOW, "AXWindow"},
    RoleRow{ATSPI_ROLE_DIALOG, "AXWindow"},
    RoleRow{ATSPI_ROLE_ALERT, "AXWindow"},
    RoleRow{ATSPI_ROLE_FILE_CHOOSER, "AXWindow"},
    RoleRow{ATSPI_ROLE_INTERNAL_FRAME, "AXWindow"},
    RoleRow{ATSPI_ROLE_TOOL_BAR, "AXToolbar"},
    RoleRow{ATSPI_ROLE_DESKTOP_ICON, "AXFinderItem"},
    // Not listed.
    RoleRow{ATSPI_ROLE_PUSH_BUTTON, "AXButton"},
    RoleRow{ATSPI_ROLE_PUSH_BUTTON_MENU, "AXMenuButton"},
    RoleRow{ATSPI_ROLE_TOGGLE_BUTTON, "AXButton"},
    RoleRow{ATSPI_ROLE_TABLE_COLUMN_HEADER, "AXButton"},
    RoleRow{ATSPI_ROLE_TABLE_ROW_HEADER, "AXButton"},
    RoleRow{ATSPI_ROLE_COLUMN_HEADER, "AXButton"},
    RoleRow{ATSPI_ROLE_ROW_HEADER, "AXButton"},
    RoleRow{ATSPI_ROLE_TEXT, "AXTextField"},
    RoleRow{ATSPI_ROLE_ENTRY, "AXTextField"},
    RoleRow{ATSPI_ROLE_PASSWORD_TEXT, "AXTextField"},
    RoleRow{ATSPI_ROLE_DOCUMENT_TEXT, "AXTextArea"},
    RoleRow{ATSPI_ROLE_TERMINAL, "AXTextArea"},
    RoleRow{ATSPI_ROLE_CHECK_BOX, "AXCheckBox"},
    RoleRow{ATSPI_ROLE_RADIO_BUTTON, "AXRadioButton"},
    RoleRow{ATSPI_ROLE_PAGE_TAB, "AXRadioButton"},
    RoleRow{ATSPI_ROLE_PAGE_TAB_LIST, "AXTabGroup"},
    RoleRow{ATSPI_ROLE_MENU_ITEM, "AXMenuItem"},
    RoleRow{ATSPI_ROLE_CHECK_MENU_ITEM, "AXMenuItem"},
    RoleRow{ATSPI_ROLE_RADIO_MENU_ITEM, "AXMenuItem"},
    RoleRow{ATSPI_ROLE_TEAROFF_MENU_ITEM, "AXMenuItem"},
    RoleRow{ATSPI_ROLE_MENU, "AXMenu"},
    RoleRow{ATSPI_ROLE_POPUP_MENU, "AXMenu"},
    RoleRow{ATSPI_ROLE_MENU_BAR, "AXMenuBar"},
    RoleRow{ATSPI_ROLE_LINK, "AXLink"},
    RoleRow{ATSPI_ROLE_COMBO_BOX, "AXPopUpButton"},
    RoleRow{ATSPI_ROLE_SLIDER, "AXSlider"},
    RoleRow{ATSPI_ROLE_DIAL, "AXSlider"},
    RoleRow{ATSPI_ROLE_SPIN_BUTTON, "AXIncrementor"},
    RoleRow{ATSPI_ROLE_SCROLL_BAR, "AXScrollBar"},
    RoleRow{ATSPI_ROLE_PROGRESS_BAR, "AXProgressIndicator"},
    RoleRow{ATSPI_ROLE_LEVEL_BAR, "AXLevelIndicator"},
    RoleRow{ATSPI_ROLE_SPLIT_PANE, "AXSplitGroup"},
    RoleRow{ATSPI_ROLE_TABLE, "AXTable"},
    RoleRow{ATSPI_ROLE_LIST, "AXList"},
    RoleRow{ATSPI_ROLE_LIST_BOX, "AXList"},
    RoleRow{ATSPI_ROLE_TOOL_TIP, "AXHelpTag"},
};

constexpr std::array kControls = {
    ATSPI_ROLE_PUSH_BUTTON,
    ATSPI_ROLE_PUSH_BUTTON_MENU,
    ATSPI_ROLE_TOGGLE_BUTTON,
    ATSPI_ROLE_CHECK_BOX,
    ATSPI_ROLE_RADIO_BUTTON,
    ATSPI_ROLE_MENU_ITEM,
    ATSPI_ROLE_CHECK_MENU_ITEM,
    ATSPI_ROLE_RADIO_MENU_ITEM,
    ATSPI_ROLE_TEAROFF_MENU_ITEM,
    ATSPI_ROLE_LINK,
    ATSPI_ROLE_COMBO_BOX,
    ATSPI_ROLE_SPIN_BUTTON,
    ATSPI_ROLE_SLIDER,
    ATSPI_ROLE_DIAL,
    ATSPI_ROLE_SCROLL_BAR,
    ATSPI_ROLE_PAGE_TAB,
    ATSPI_ROLE_ENTRY,
    ATSPI_ROLE_PASSWORD_TEXT,
    ATSPI_ROLE_TABLE_COLUMN_HEADER,
    ATSPI_ROLE_COLUMN_HEADER,
};

// Met on the way up, these end the search: what lies inside them belongs to them,
// not to a control further out (a label in a row in a list inside a popover button).
constexpr std::array kBoundaries = {
    ATSPI_ROLE_TABLE_CELL,   ATSPI_ROLE_TABLE_ROW,      ATSPI_ROLE_LIST_ITEM,
    ATSPI_ROLE_TREE_ITEM,    ATSPI_ROLE_LIST,           ATSPI_ROLE_LIST_BOX,
    ATSPI_ROLE_TABLE,        ATSPI_ROLE_TREE,           ATSPI_ROLE_TREE_TABLE,
    ATSPI_ROLE_FRAME,        ATSPI_ROLE_WINDOW,         ATSPI_ROLE_DIALOG,
    ATSPI_ROLE_ALERT,        ATSPI_ROLE_APPLICATION,    ATSPI_ROLE_MENU,
    ATSPI_ROLE_POPUP_MENU,   ATSPI_ROLE_SCROLL_PANE,    ATSPI_ROLE_VIEWPORT,
    ATSPI_ROLE_DOCUMENT_WEB, ATSPI_ROLE_DOCUMENT_FRAME, ATSPI_ROLE_TOOL_BAR,
};

template <typename Array>
bool contains(const Array& array, AtspiRole role) {
  return std::find(array.begin(), array.end(), role) != array.end();
}

}  // namespace

std::string_view roleNameForAtspiRole(AtspiRole role) {
  for (const RoleRow& row : kRoles) {
    if (row.atspi == role) return row.name;
  }
  return "AXUnknown";
}

bool isControlRole(AtspiRole role) {
  return contains(kControls, role);
}

std::size_t answeringIndex(std::span<const AtspiRole> rolesFromElementUp) {
  const std::size_t last = std::min(rolesFromElementUp.size(), kControlSearchDepth + 1);
  for (std::size_t i = 0; i < last; ++i) {
    const AtspiRole role = rolesFromElementUp[i];
    if (isControlRole(role)) return i;
    // The element itself may be a row or a window; only ancestors end the search.
    if (i > 0 && contains(kBoundaries, role)) break;
  }
  return 0;
}

}  // namespace tandrel::desktop
