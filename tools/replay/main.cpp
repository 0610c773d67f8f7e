// tandrel-replay: runs the daemon's own code on the simulated desktop from a scenario file and
// prints what happened, step by step.
#include "Scenario.h"
#include "ScenarioRunner.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char* argv[]) {
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::cerr << "usage: tandrel-replay SCENARIO\n\n" << replay::ScenarioSyntax();
    return 2;
  }
  std::ifstream file(argv[1]);
  if (!file) {
    std::cerr << "tandrel-replay: cannot read " << argv[1] << "\n";
    return 2;
  }
  std::stringstream text;
  text << file.rdbuf();
  auto parsed = replay::ParseScenario(text.str());
  if (auto* error = std::get_if<replay::ParseError>(&parsed)) {
    std::cerr << argv[1] << ":" << error->line << ": " << error->message << "\n";
    return 2;
  }
  std::cout << "    time  process             what happened\n";
  int failures = replay::RunScenario(std::get<replay::Scenario>(parsed), std::cout);
  if (failures > 0) {
    std::cout << failures << " expectation(s) failed\n";
    return 1;
  }
  return 0;
}
