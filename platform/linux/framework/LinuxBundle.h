// Where the running program's bundle is.
#pragma once

#include <string>

namespace linux_desktop {

// The bundle folder around the running executable (…/Name.app/Contents/Linux/Name), or the
// executable's folder when it does not sit in a bundle.
std::string BundlePathOfExecutable();

}  // namespace linux_desktop
