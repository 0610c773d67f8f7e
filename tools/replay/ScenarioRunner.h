// Runs a scenario with the real daemon code on the simulated desktop and prints its timeline.
#pragma once

#include "Scenario.h"

#include <ostream>

namespace replay {

// Prints every step and what the desktop saw of it; returns the number of failed expectations.
int RunScenario(const Scenario& scenario, std::ostream& timeline);

}  // namespace replay
