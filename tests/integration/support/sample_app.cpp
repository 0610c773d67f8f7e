#include "sample_app.h"

#include <cstdlib>
#include <sstream>

namespace tandrel::testing {

int AppLine::number(const std::string& key) const {
  auto it = fields.find(key);
  return it == fields.end() ? 0 : static_cast<int>(std::strtol(it->second.c_str(), nullptr, 0));
}

Point AppLine::point(const std::string& key) const {
  auto it = fields.find(key);
  if (it == fields.end()) return {};
  Point p;
  p.x = static_cast<int>(std::strtol(it->second.c_str(), nullptr, 10));
  if (auto comma = it->second.find(','); comma != std::string::npos) {
    p.y = static_cast<int>(std::strtol(it->second.c_str() + comma + 1, nullptr, 10));
  }
  return p;
}

AppLine parseAppLine(const std::string& text) {
  AppLine line;
  line.text = text;
  std::istringstream words(text);
  words >> line.kind;
  std::string word;
  while (words >> word) {
    if (auto eq = word.find('='); eq != std::string::npos) {
      line.fields[word.substr(0, eq)] = word.substr(eq + 1);
    } else {
      line.fields["name"] = word;
    }
  }
  return line;
}

SampleApp::SampleApp(Accessibility accessibility)
    : process_({"/usr/bin/python3", TANDREL_SAMPLE_APP},
               // Off the accessibility bus unless asked: the input tests need only its input.
               accessibility == Accessibility::off
                   ? std::vector<std::string>{"NO_AT_BRIDGE=1", "GDK_BACKEND=x11"}
                   : std::vector<std::string>{"GDK_BACKEND=x11"}) {
  if (auto line = waitFor("ready", {}, std::chrono::seconds(20))) {
    ready_ = true;
    ready_line_ = *line;
  }
}

std::optional<AppLine> SampleApp::waitFor(const std::string& kind,
                                          const std::map<std::string, std::string>& match,
                                          std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    auto text = process_.readLine(left);
    if (!text) return std::nullopt;
    AppLine line = parseAppLine(*text);
    history_.push_back(line);
    if (line.kind != kind) continue;
    bool all = true;
    for (const auto& [key, value] : match) {
      auto it = line.fields.find(key);
      all = all && it != line.fields.end() && it->second == value;
    }
    if (all) return line;
  }
}

}  // namespace tandrel::testing
