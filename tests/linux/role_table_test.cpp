#include "role_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace tandrel::desktop {
namespace {

// The roles for which a hold opens a context menu.
const std::set<std::string_view> kListed = {
    "AXStaticText", "AXRow",   "AXOutline", "AXApplication", "AXGroup",      "AXScrollArea",
    "AXWebArea",    "AXImage", "AXWindow",  "AXToolbar",     "AXFinderItem",
};

struct RoleCase {
  AtspiRole role;
  const char* expected;
};

// What toolkits actually expose (see LINUX-NOTES.md) and the name each must answer with.
const RoleCase kRoleCases[] = {
    {ATSPI_ROLE_TABLE_CELL, "AXRow"},  // GTK 3 flat tree view: cells without rows
    {ATSPI_ROLE_LIST_ITEM, "AXRow"},
    {ATSPI_ROLE_TABLE_ROW, "AXRow"},
    {ATSPI_ROLE_TREE_TABLE, "AXOutline"},
    {ATSPI_ROLE_TREE, "AXOutline"},
    {ATSPI_ROLE_LABEL, "AXStaticText"},
    {ATSPI_ROLE_ICON, "AXImage"},
    {ATSPI_ROLE_IMAGE, "AXImage"},
    {ATSPI_ROLE_FRAME, "AXWindow"},
    {ATSPI_ROLE_WINDOW, "AXWindow"},
    {ATSPI_ROLE_FILLER, "AXGroup"},
    {ATSPI_ROLE_PANEL, "AXGroup"},
    {ATSPI_ROLE_SCROLL_PANE, "AXScrollArea"},
    {ATSPI_ROLE_DOCUMENT_WEB, "AXWebArea"},
    {ATSPI_ROLE_DOCUMENT_FRAME, "AXWebArea"},
    {ATSPI_ROLE_TOOL_BAR, "AXToolbar"},
    {ATSPI_ROLE_APPLICATION, "AXApplication"},
    {ATSPI_ROLE_DESKTOP_ICON, "AXFinderItem"},
    {ATSPI_ROLE_PUSH_BUTTON, "AXButton"},
    {ATSPI_ROLE_TOGGLE_BUTTON, "AXButton"},
    {ATSPI_ROLE_TEXT, "AXTextField"},
    {ATSPI_ROLE_ENTRY, "AXTextField"},
    {ATSPI_ROLE_CHECK_BOX, "AXCheckBox"},
    {ATSPI_ROLE_RADIO_BUTTON, "AXRadioButton"},
    {ATSPI_ROLE_MENU_ITEM, "AXMenuItem"},
    {ATSPI_ROLE_MENU, "AXMenu"},
    {ATSPI_ROLE_LINK, "AXLink"},
    {ATSPI_ROLE_COMBO_BOX, "AXPopUpButton"},
    {ATSPI_ROLE_SLIDER, "AXSlider"},
    {ATSPI_ROLE_TABLE, "AXTable"},
    {ATSPI_ROLE_LIST, "AXList"},
    {ATSPI_ROLE_LIST_BOX, "AXList"},
    {ATSPI_ROLE_INVALID, "AXUnknown"},
    {ATSPI_ROLE_UNKNOWN, "AXUnknown"},
    {ATSPI_ROLE_LAST_DEFINED, "AXUnknown"},
};

TEST(RoleTable, MapsToolkitRolesToSystemNames) {
  for (const RoleCase& c : kRoleCases) {
    EXPECT_EQ(roleNameForAtspiRole(c.role), c.expected) << "AT-SPI role " << c.role;
  }
}

// Whatever the table says for any role, a control must never come out as a listed role:
// that is what would open a menu on a button.
TEST(RoleTable, NoControlMapsToAListedRole) {
  for (int r = 0; r < ATSPI_ROLE_LAST_DEFINED; ++r) {
    const auto role = static_cast<AtspiRole>(r);
    if (isControlRole(role)) {
      EXPECT_FALSE(kListed.contains(roleNameForAtspiRole(role))) << "AT-SPI role " << r;
    }
  }
}

TEST(RoleTable, EveryRoleHasAName) {
  for (int r = 0; r <= ATSPI_ROLE_LAST_DEFINED; ++r) {
    const std::string_view name = roleNameForAtspiRole(static_cast<AtspiRole>(r));
    EXPECT_EQ(name.substr(0, 2), "AX") << r;
  }
}

struct ChainCase {
  const char* name;
  std::vector<AtspiRole> chain;  // hit element first, then its ancestors
  std::size_t answering;
  const char* role;  // the name the hit answers with
};

class AnsweringElement : public ::testing::TestWithParam<ChainCase> {};

TEST_P(AnsweringElement, PicksTheControlOrTheElement) {
  const ChainCase& c = GetParam();
  const std::size_t index = answeringIndex(c.chain);
  EXPECT_EQ(index, c.answering);
  ASSERT_LT(index, c.chain.size());
  EXPECT_EQ(roleNameForAtspiRole(c.chain[index]), c.role);
}

INSTANTIATE_TEST_SUITE_P(
    Toolkits, AnsweringElement,
    ::testing::Values(
        // GTK 4 button: push button > label.
        ChainCase{"Gtk4ButtonLabel",
                  {ATSPI_ROLE_LABEL, ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL, ATSPI_ROLE_FRAME},
                  1,
                  "AXButton"},
        // GTK 3 image button: push button > box > icon, two levels up.
        ChainCase{"Gtk3ImageButtonIcon",
                  {ATSPI_ROLE_ICON, ATSPI_ROLE_FILLER, ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_FILLER},
                  2,
                  "AXButton"},
        // The gap between a button's icon and label is the inner box.
        ChainCase{"ButtonInnerBox",
                  {ATSPI_ROLE_PANEL, ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_FRAME},
                  1,
                  "AXButton"},
        // GTK 3 toolbar: tool bar > panel > push button, hit on the button itself.
        ChainCase{"ToolbarButton",
                  {ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL, ATSPI_ROLE_TOOL_BAR},
                  0,
                  "AXButton"},
        // Qt 6: a bare push button with no children.
        ChainCase{"QtPushButton", {ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_FILLER}, 0, "AXButton"},
        ChainCase{"CheckBoxLabel",
                  {ATSPI_ROLE_LABEL, ATSPI_ROLE_CHECK_BOX, ATSPI_ROLE_FILLER},
                  1,
                  "AXCheckBox"},
        ChainCase{"MenuItemLabel",
                  {ATSPI_ROLE_LABEL, ATSPI_ROLE_MENU_ITEM, ATSPI_ROLE_MENU},
                  1,
                  "AXMenuItem"},
        ChainCase{
            "LinkText", {ATSPI_ROLE_STATIC, ATSPI_ROLE_LINK, ATSPI_ROLE_PARAGRAPH}, 1, "AXLink"},
        ChainCase{"ComboBoxInnerToggle",
                  {ATSPI_ROLE_TOGGLE_BUTTON, ATSPI_ROLE_COMBO_BOX, ATSPI_ROLE_FILLER},
                  0,
                  "AXButton"},
        ChainCase{
            "EntryIcon", {ATSPI_ROLE_IMAGE, ATSPI_ROLE_ENTRY, ATSPI_ROLE_PANEL}, 1, "AXTextField"},
        // GTK 4 list: list item > label; the label is row content, not a control's.
        ChainCase{"Gtk4ListLabel",
                  {ATSPI_ROLE_LABEL, ATSPI_ROLE_LIST_ITEM, ATSPI_ROLE_LIST, ATSPI_ROLE_PUSH_BUTTON},
                  0,
                  "AXStaticText"},
        // A label in a row of a list inside a popover button still belongs to the row.
        ChainCase{"LabelInRowInsideButton",
                  {ATSPI_ROLE_LABEL, ATSPI_ROLE_TABLE_CELL, ATSPI_ROLE_PUSH_BUTTON},
                  0,
                  "AXStaticText"},
        ChainCase{"Gtk3TreeCell",
                  {ATSPI_ROLE_TABLE_CELL, ATSPI_ROLE_TABLE, ATSPI_ROLE_SCROLL_PANE},
                  0,
                  "AXRow"},
        ChainCase{"WindowBackground", {ATSPI_ROLE_FILLER, ATSPI_ROLE_FRAME}, 0, "AXGroup"},
        ChainCase{"FrameItself", {ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION}, 0, "AXWindow"},
        // A control further up than the search depth is not the answer.
        ChainCase{"ControlTooFarUp",
                  {ATSPI_ROLE_LABEL, ATSPI_ROLE_FILLER, ATSPI_ROLE_FILLER, ATSPI_ROLE_FILLER,
                   ATSPI_ROLE_PUSH_BUTTON},
                  0,
                  "AXStaticText"},
        ChainCase{"ControlAtSearchDepth",
                  {ATSPI_ROLE_LABEL, ATSPI_ROLE_FILLER, ATSPI_ROLE_FILLER, ATSPI_ROLE_PUSH_BUTTON},
                  3,
                  "AXButton"},
        ChainCase{"LoneElement", {ATSPI_ROLE_IMAGE}, 0, "AXImage"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tandrel::desktop
