// The daemon as a program of the simulated desktop: its bundle, and a fresh process image.
#pragma once

#include <SimDesktop.h>

#include <string>

namespace tandrel_test {

// Where the daemon's bundle lives on the simulated desktop.
inline const std::string kDaemonBundlePath = "/Applications/Tandrel.app";

// Registers the daemon program with the desktop and names the daemon's functions in its timeline.
void RegisterDaemonProgram(sim::Desktop& desktop,
                           const std::string& bundlePath = kDaemonBundlePath);

// Sets the daemon's file-scope state back to what a new process starts with.
void ResetDaemonProcessImage();

}  // namespace tandrel_test
