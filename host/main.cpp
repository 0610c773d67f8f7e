// tandrel-preferences: the preferences window. Opens the preference pane bundle named on the
// command line, or the installed Tandrel pane.
#include "pane_host.h"

#include <tandrel/appkit/qt_desktop.h>

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>

#include <glib-unix.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

constexpr const char* kPaneName = "Tandrel_Preference_Pane.prefPane";

// The installed pane lies beside the host: <prefix>/share/tandrel/PreferencePanes; in a build
// tree it is next to the host's folder.
std::string DefaultPanePath() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  std::filesystem::path folder = self.parent_path();
  for (const std::filesystem::path& candidate :
       {folder.parent_path() / "share" / "tandrel" / "PreferencePanes" / kPaneName,
        folder.parent_path() / kPaneName}) {
    if (std::filesystem::exists(candidate / "Contents" / "Info.plist", error)) {
      return candidate.string();
    }
  }
  return (folder.parent_path() / "share" / "tandrel" / "PreferencePanes" / kPaneName).string();
}

// The window's close button leaves the pane before the window goes.
class CloseWatcher : public QObject {
 public:
  explicit CloseWatcher(PaneHost& host) : host_(host) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Close) host_.leave();
    return false;
  }

 private:
  PaneHost& host_;
};

gboolean OnSignal(gpointer) {
  // Closing every window leaves the pane the way the close button does; a dialog's own loop
  // ends too.
  QApplication::closeAllWindows();
  QCoreApplication::exit(0);
  return G_SOURCE_CONTINUE;
}

int Fail(const std::string& reason) {
  std::fprintf(stderr, "tandrel-preferences: %s\n", reason.c_str());
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Preferences"),
                  QStringLiteral("The preference pane could not be opened."), QMessageBox::Ok);
  box.setObjectName("paneLoadError");
  box.setInformativeText(QString::fromStdString(reason));
  box.exec();
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tandrel-preferences"));
  QApplication::setApplicationDisplayName(QStringLiteral("Preferences"));
  QGuiApplication::setDesktopFileName(QStringLiteral("tandrel-preferences"));
  guint term = g_unix_signal_add(SIGTERM, OnSignal, nullptr);
  guint interrupt = g_unix_signal_add(SIGINT, OnSignal, nullptr);

  QStringList arguments = QApplication::arguments();
  if (arguments.contains(QStringLiteral("--help")) || arguments.size() > 2) {
    std::fprintf(stderr, "usage: tandrel-preferences [PANE.prefPane]\n");
    return arguments.contains(QStringLiteral("--help")) ? 0 : 2;
  }

  int status = 0;
  {
    std::string problem;
    if (!qt_desktop::Install(application, &problem)) {
      status = Fail(problem);
    } else {
      std::string path = arguments.size() == 2 ? arguments[1].toStdString() : DefaultPanePath();
      PaneHost host;
      std::string error;
      if (!host.load(path, &error)) {
        status = Fail(error);
      } else {
        CloseWatcher watcher(host);
        host.windowWidget()->installEventFilter(&watcher);
        host.show();
        status = application.exec();
        host.leave();
      }
    }
  }
  g_source_remove(term);
  g_source_remove(interrupt);
  return status;
}
