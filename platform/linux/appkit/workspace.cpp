// The desktop's shell: addresses and files open with their default applications through GIO,
// or xdg-open where GIO finds none; the Universal Access pane stands for the running desktop's
// accessibility settings.
#include <tandrel/appkit/spawn.h>

#include <AppKit/NSWorkspace.h>
#include <Foundation/NSLog.h>

#include <QApplication>
#include <QMessageBox>

#include <gio/gio.h>
#include <glib.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

constexpr const char* kUniversalAccessPane = "UniversalAccessPref.prefPane";

struct SettingsProgram {
  const char* desktop;  // as XDG_CURRENT_DESKTOP names it, lower case
  std::vector<std::string> command;
};

// The accessibility settings of each desktop, the first program found wins.
const std::vector<SettingsProgram>& AccessibilitySettings() {
  static const std::vector<SettingsProgram> programs = {
      {"gnome", {"gnome-control-center", "universal-access"}},
      {"unity", {"gnome-control-center", "universal-access"}},
      {"budgie", {"gnome-control-center", "universal-access"}},
      {"kde", {"systemsettings", "kcm_access"}},
      {"kde", {"systemsettings5", "kcm_access"}},
      {"cinnamon", {"cinnamon-settings", "universal-access"}},
      {"mate", {"mate-at-properties"}},
      {"xfce", {"xfce4-accessibility-settings"}},
  };
  return programs;
}

std::vector<std::string> CurrentDesktops() {
  std::vector<std::string> names;
  const char* value = g_getenv("XDG_CURRENT_DESKTOP");
  std::istringstream list(value ? value : "");
  std::string name;
  while (std::getline(list, name, ':')) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    names.push_back(name);
  }
  return names;
}

bool Start(const std::vector<std::string>& command) {
  pid_t pid = tandrel::desktop::SpawnDetached(command, true);
  tandrel::desktop::ReapLater(pid);
  return pid > 0;
}

bool OpenAccessibilitySettings() {
  for (const std::string& desktop : CurrentDesktops()) {
    for (const SettingsProgram& program : AccessibilitySettings()) {
      if (desktop == program.desktop && tandrel::desktop::ProgramInPath(program.command[0])) {
        return Start(program.command);
      }
    }
  }
  const char* advice =
      "Tandrel needs assistive technologies (accessibility) to be turned on, and the "
      "accessibility settings of this desktop could not be opened from here.\n\n"
      "Turn on assistive technologies in your desktop's accessibility settings, or run\n"
      "    gsettings set org.gnome.desktop.interface toolkit-accessibility true\n"
      "and log out and in again.";
  NSLog("%s", advice);
  if (QApplication::instance() != nullptr) {
    auto* box =
        new QMessageBox(QMessageBox::Information, QStringLiteral("Turn on assistive technologies"),
                        QString::fromUtf8(advice), QMessageBox::Ok, QApplication::activeWindow());
    box->setObjectName("accessibilitySettingsAdvice");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  }
  return false;
}

bool OpenURI(const std::string& uri) {
  GError* error = nullptr;
  if (g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error)) return true;
  std::string reason = error ? error->message : "no handler";
  g_clear_error(&error);
  if (tandrel::desktop::ProgramInPath("xdg-open")) return Start({"xdg-open", uri});
  NSLog("Cannot open %s: %s", uri.c_str(), reason.c_str());
  return false;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class LinuxWorkspace : public NSWorkspace {
 public:
  bool openURL(const NSURL& url) override {
    if (url.isFileURL()) return openFile(url.path());
    return OpenURI(url.absoluteString());
  }

  bool openFile(const NSString& path) override {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    if (EndsWith(trimmed, std::string("/") + kUniversalAccessPane)) {
      return OpenAccessibilitySettings();
    }
    if (EndsWith(trimmed, ".prefPane") && tandrel::desktop::ProgramInPath("tandrel-preferences")) {
      return Start({"tandrel-preferences", trimmed});
    }
    gchar* uri = g_filename_to_uri(trimmed.c_str(), nullptr, nullptr);
    if (uri == nullptr) return false;
    bool opened = OpenURI(uri);
    g_free(uri);
    return opened;
  }
};

}  // namespace

NSWorkspace* NSWorkspace::sharedWorkspace() {
  static LinuxWorkspace workspace;
  return &workspace;
}
