#include "Scenario.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <map>
#include <sstream>

namespace replay {
namespace {

std::optional<double> Number(const std::string& word) {
  double value = 0;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<double> WholeNumber(const std::string& word, double low, double high) {
  std::optional<double> value = Number(word);
  if (!value || *value != std::floor(*value) || *value < low || *value > high) return std::nullopt;
  return value;
}

using Check = std::function<std::string(Step&)>;  // empty when the step is well formed

std::string NeedWords(const Step& s, std::size_t low, std::size_t high, const char* usage) {
  if (s.words.size() < low || s.words.size() > high) return std::string("usage: ") + usage;
  return {};
}

// Numeric words from `first` on, into step.numbers.
std::string NeedNumbers(Step& s, std::size_t first, std::size_t count, const char* what) {
  for (std::size_t i = first; i < first + count && i < s.words.size(); ++i) {
    std::optional<double> value = Number(s.words[i]);
    if (!value) return "'" + s.words[i] + "' is not a number (" + what + ")";
    s.numbers.push_back(*value);
  }
  return {};
}

// "button N", "clicks N" and "modifiers a,b" after a press or release.
std::string CheckMouseOptions(Step& s, bool press) {
  for (std::size_t i = 2; i < s.words.size(); i += 2) {
    const std::string& key = s.words[i];
    if (i + 1 >= s.words.size()) return "'" + key + "' needs a value";
    const std::string& value = s.words[i + 1];
    if (key == "button") {
      if (!WholeNumber(value, 1, 3)) return "button must be 1, 2 or 3";
    } else if (key == "clicks" && press) {
      if (!WholeNumber(value, 0, 100)) return "clicks must be a whole number from 0 to 100";
    } else if (key == "modifiers" && press) {
      std::stringstream list(value);
      for (std::string name; std::getline(list, name, ',');) {
        if (name != "shift" && name != "control" && name != "option" && name != "command" &&
            name != "caps-lock") {
          return "unknown modifier '" + name + "' (shift, control, option, command, caps-lock)";
        }
      }
    } else {
      return "unknown option '" + key + "'";
    }
  }
  return {};
}

const std::map<std::string, Check>& Commands() {
  static const std::map<std::string, Check> commands = {
      {"accessibility",
       [](Step& s) {
         if (s.words.size() != 1 || (s.words[0] != "on" && s.words[0] != "off")) {
           return std::string("usage: accessibility on|off");
         }
         return std::string();
       }},
      {"double-click-interval",
       [](Step& s) {
         std::string e = NeedWords(s, 1, 1, "double-click-interval TICKS");
         if (e.empty() && !WholeNumber(s.words[0], 0, 6000)) e = "ticks must be 0 to 6000";
         return e;
       }},
      {"element",
       [](Step& s) {
         std::string e = NeedWords(s, 6, 6, "element NAME X Y WIDTH HEIGHT ROLE|not-a-string");
         return e.empty() ? NeedNumbers(s, 1, 4, "the element's frame") : e;
       }},
      {"element-role-error",
       [](Step& s) {
         std::string e = NeedWords(s, 2, 2, "element-role-error NAME CODE");
         return e.empty() ? NeedNumbers(s, 1, 1, "an error code") : e;
       }},
      {"element-query-error",
       [](Step& s) {
         std::string e = NeedWords(s, 1, 1, "element-query-error CODE");
         return e.empty() ? NeedNumbers(s, 0, 1, "an error code") : e;
       }},
      {"install-status",
       [](Step& s) {
         std::string e = NeedWords(s, 1, 1, "install-status CODE");
         return e.empty() ? NeedNumbers(s, 0, 1, "a status") : e;
       }},
      {"stored-delay",
       [](Step& s) {
         std::string e = NeedWords(s, 1, 1, "stored-delay SECONDS|none");
         if (e.empty() && s.words[0] != "none" && s.words[0] != "nan") {
           e = NeedNumbers(s, 0, 1, "seconds, or none");
         }
         return e;
       }},
      {"launch", [](Step& s) { return NeedWords(s, 0, 0, "launch"); }},
      {"wait", [](Step& s) { return NeedWords(s, 0, 0, "at SECONDS wait"); }},
      {"press",
       [](Step& s) {
         std::string e = NeedWords(s, 2, 8, "press X Y [button N] [clicks N] [modifiers a,b]");
         if (e.empty()) e = NeedNumbers(s, 0, 2, "the press point");
         return e.empty() ? CheckMouseOptions(s, true) : e;
       }},
      {"drag",
       [](Step& s) {
         std::string e = NeedWords(s, 2, 2, "drag X Y");
         return e.empty() ? NeedNumbers(s, 0, 2, "the pointer's point") : e;
       }},
      {"release",
       [](Step& s) {
         std::string e = NeedWords(s, 2, 4, "release X Y [button N]");
         if (e.empty()) e = NeedNumbers(s, 0, 2, "the release point");
         return e.empty() ? CheckMouseOptions(s, false) : e;
       }},
      {"notify", [](Step& s) { return NeedWords(s, 1, 1, "notify NAME"); }},
      {"pane",
       [](Step& s) {
         static const char* usage =
             "pane show|leave|on|off|release-slider|state|unload|quit|open-universal-access, "
             "pane slider SECONDS, or pane accessibility on|off";
         if (s.words.empty()) return std::string("usage: ") + usage;
         const std::string& action = s.words[0];
         if (action == "slider") {
           if (s.words.size() != 2) return std::string("usage: pane slider SECONDS");
           return NeedNumbers(s, 1, 1, "the slider's value in seconds");
         }
         if (action == "accessibility") {
           if (s.words.size() != 2 || (s.words[1] != "on" && s.words[1] != "off")) {
             return std::string("usage: pane accessibility on|off");
           }
           return std::string();
         }
         for (const char* plain : {"show", "leave", "on", "off", "release-slider", "state",
                                   "unload", "quit", "open-universal-access"}) {
           if (action == plain)
             return s.words.size() == 1 ? std::string() : "usage: " + std::string(usage);
         }
         return "unknown pane action '" + action + "'";
       }},
      {"expect",
       [](Step& s) {
         std::string e = NeedWords(
             s, 2, 3,
             "expect posted-calls|log-lines|armed-timers N, or expect notifications NAME N");
         if (!e.empty()) return e;
         const std::string& what = s.words[0];
         if (what == "notifications") {
           if (s.words.size() != 3) return std::string("usage: expect notifications NAME N");
           return NeedNumbers(s, 2, 1, "a count");
         }
         if (what != "posted-calls" && what != "log-lines" && what != "armed-timers" &&
             what != "daemons") {
           return "cannot expect '" + what + "'";
         }
         if (s.words.size() != 2) return std::string("usage: expect ") + what + " N";
         return NeedNumbers(s, 1, 1, "a count");
       }},
  };
  return commands;
}

}  // namespace

std::variant<Scenario, ParseError> ParseScenario(std::string_view text) {
  Scenario scenario;
  std::istringstream lines{std::string(text)};
  double clock = 0.0;
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    Step step;
    step.line = number;
    std::string word;
    if (!(words >> word)) continue;
    if (word == "at") {
      std::string time;
      if (!(words >> time)) return ParseError{number, "'at' needs a time in seconds"};
      std::optional<double> at = Number(time);
      if (!at || *at < 0) return ParseError{number, "'" + time + "' is not a time in seconds"};
      if (*at < clock)
        return ParseError{number, "time " + time + " goes back before an earlier line"};
      clock = *at;
      step.at = at;
      if (!(words >> word)) return ParseError{number, "a command must follow the time"};
    }
    step.command = word;
    while (words >> word) step.words.push_back(word);
    auto command = Commands().find(step.command);
    if (command == Commands().end()) {
      return ParseError{number, "unknown command '" + step.command + "'"};
    }
    if (std::string error = command->second(step); !error.empty()) {
      return ParseError{number, step.command + ": " + error};
    }
    scenario.steps.push_back(std::move(step));
  }
  return scenario;
}

std::string ScenarioSyntax() {
  return R"(A scenario is one step a line; '#' starts a comment. A line may begin with
'at SECONDS' (from the start, never going back): the clock runs to that time first.

Desktop:  accessibility on|off           double-click-interval TICKS
          element NAME X Y WIDTH HEIGHT ROLE|not-a-string
          element-role-error NAME CODE   element-query-error CODE
          install-status CODE            stored-delay SECONDS|none|nan
Daemon:   launch
Input:    press X Y [button 1|2|3] [clicks N] [modifiers shift,control,option,command,caps-lock]
          drag X Y                       release X Y [button N]
          notify NAME                    (posted by another process)
          wait                           (with 'at': only let time pass)
Pane:     pane show|leave|unload|quit    (the preferences host shows, leaves or lets go of it)
          pane on|off                    (the on/off switch)
          pane slider SECONDS            (drag the delay slider there)  pane release-slider
          pane accessibility on|off      (access for assistive devices, as the pane sees it)
          pane open-universal-access     pane state (print what the pane shows)
Checks:   expect posted-calls N          expect log-lines N
          expect armed-timers N          expect notifications NAME N
          expect daemons N               (daemon processes running)
)";
}

}  // namespace replay
