// Scenario files for tandrel-replay: a desktop, timed input and expectations, one step a line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace replay {

struct Step {
  int line = 0;
  std::optional<double> at;        // seconds from the start; the clock moves there first
  std::string command;             // the first word after the time
  std::vector<std::string> words;  // the remaining words
  std::vector<double> numbers;     // the numeric arguments, where the command takes them
};

struct ParseError {
  int line;
  std::string message;
};

struct Scenario {
  std::vector<Step> steps;
};

// Parses a whole scenario. Every line is checked before anything runs; the first bad line is
// reported with its number.
std::variant<Scenario, ParseError> ParseScenario(std::string_view text);

// The commands and what they take, for the usage text.
std::string ScenarioSyntax();

}  // namespace replay
