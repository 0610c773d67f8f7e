#include "pane_host.h"

#include <QWidget>

#include <dlfcn.h>

namespace {

std::string InfoString(const NSBundle& bundle, const char* key) {
  const PropertyList* value = bundle.objectForInfoDictionaryKey(key);
  return value && value->string() ? *value->string() : std::string();
}

}  // namespace

PaneHost::~PaneHost() {
  leave();
  // The pane's timers and observers go with it while its views still exist; the plug-in's code
  // stays loaded until the process ends, as its classes stay registered.
  pane_.reset();
  nib_.reset();
  window_.reset();
}

bool PaneHost::load(const std::string& path, std::string* error) {
  auto fail = [error](const std::string& reason) {
    if (error) *error = reason;
    return false;
  };
  bundle_ = NSBundle::bundleWithPath(path);
  if (!bundle_)
    return fail(path + " is not a preference pane: it has no readable Contents/Info.plist.");

  std::string executable = InfoString(*bundle_, "CFBundleExecutable");
  if (executable.empty()) return fail(path + " names no plug-in (CFBundleExecutable).");
  std::string plugin = path + "/Contents/Linux/" + executable;
  // Local: the plug-in's own symbols stay its own; it uses the host's copy of the seam.
  if (dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL) == nullptr) {
    const char* reason = dlerror();
    return fail("The plug-in of " + path + " cannot be loaded: " + (reason ? reason : "unknown"));
  }

  std::string principal = InfoString(*bundle_, "NSPrincipalClass");
  if (principal.empty()) return fail(path + " names no principal class (NSPrincipalClass).");
  std::unique_ptr<NSObject> object = NSCreateInstanceOfClassNamed(principal);
  if (!object) return fail("The plug-in of " + path + " provides no class " + principal + ".");
  auto* pane = dynamic_cast<NSPreferencePane*>(object.get());
  if (pane == nullptr) return fail(principal + " is not a preference pane.");
  object.release();
  pane_.reset(pane);
  NSBundle::addLoadedClass(typeid(*pane_), bundle_.get());
  if (pane_->initWithBundle(bundle_.get()) == nullptr) {
    pane_.reset();
    return fail(principal + " could not be set up with its bundle.");
  }

  std::string nibName = InfoString(*bundle_, "NSMainNibFile");
  if (nibName.empty()) return fail(path + " names no main view layout (NSMainNibFile).");
  std::string nibError;
  nib_ = qt_desktop::Nib::load(bundle_->resourcePath() + "/" + nibName + ".ui", pane_.get(),
                               bundle_.get(), &nibError);
  if (!nib_) return fail("The main view of " + path + " cannot be laid out: " + nibError);

  NSView* mainView = nib_->mainView();
  std::string title = InfoString(*bundle_, "NSPrefPaneIconLabel");
  if (title.empty()) title = InfoString(*bundle_, "CFBundleName");
  window_ = std::make_unique<qt_desktop::Window>(mainView->frame().size, title);
  window_->addSubview(mainView);
  pane_->setMainView(mainView);
  pane_->mainViewDidLoad();
  return true;
}

void PaneHost::show() {
  if (!pane_ || shown_) return;
  shown_ = true;
  // The window is mapped first, so that an alert of willSelect stands in front of the pane; it
  // is painted only once willSelect has set the controls.
  window_->widget()->show();
  pane_->willSelect();
  pane_->didSelect();
}

void PaneHost::leave() {
  if (!pane_ || !shown_) return;
  shown_ = false;
  pane_->willUnselect();
  pane_->didUnselect();
}
