#include "LinuxBundle.h"

#include <filesystem>
#include <system_error>

namespace linux_desktop {

std::string BundlePathOfExecutable() {
  std::error_code error;
  std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  std::filesystem::path folder = executable.parent_path();  // …/Contents/Linux
  if (folder.filename() == "Linux" && folder.parent_path().filename() == "Contents") {
    return folder.parent_path().parent_path().string();
  }
  return folder.string();
}

}  // namespace linux_desktop
