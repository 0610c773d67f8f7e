#include "ScenarioRunner.h"

#include <DaemonProgram.h>
#include <PaneProgram.h>
#include <SimDesktop.h>
#include <TandrelContract.h>

#include <Carbon/CarbonEvents.h>
#include <Foundation/NSNotification.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <sstream>

namespace replay {
namespace {

class Runner {
 public:
  explicit Runner(std::ostream& out) : out_(out) {
    tandrel_test::RegisterDaemonProgram(desktop_);
    start_ = desktop_.now();
    desktop_.onTrace = [this](const sim::TraceEntry& entry) {
      if (worthPrinting(entry)) print(entry.time, entry.process, entry.text);
    };
  }
  ~Runner() { desktop_.onTrace = nullptr; }

  int run(const Scenario& scenario) {
    for (const Step& step : scenario.steps) {
      if (step.at) desktop_.runUntil(start_ + *step.at);
      perform(step);
    }
    // Whatever is still armed plays out.
    desktop_.runUntilIdle(60.0);
    return failures_;
  }

 private:
  void print(CFAbsoluteTime time, const std::string& process, const std::string& text) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%8.3f", time - start_);
    out_ << stamp << "  " << process
         << std::string(20 - std::min<std::size_t>(process.size(), 19), ' ') << text << '\n';
  }

  // The pane's own timers (its 0.5 s check, the eye's 0.1 s tick) and the eye's movements would
  // drown the rest; a control that is told what it already shows is no news either.
  bool worthPrinting(const sim::TraceEntry& entry) {
    const std::string& text = entry.text;
    if (text.starts_with("timer fired: NSTimer") || text.starts_with("timer armed: NSTimer") ||
        text.starts_with("view eyeImage")) {
      return false;
    }
    if (text.starts_with("view ")) {
      // One slot per view and attribute; paired words (hidden/shown, …) share a slot.
      std::string view = text.substr(0, text.find(':'));
      std::string state = text.substr(view.size() + 1);
      std::string word = state.substr(0, state.find_first_of(" ", 1));
      static const std::map<std::string, std::string> pairs = {
          {" hidden", "visibility"}, {" shown", "visibility"}, {" enabled", "enabled"},
          {" disabled", "enabled"},  {" animating", "motion"}, {" still", "motion"},
          {" spinning", "spin"},     {" stopped", "spin"}};
      auto pair = pairs.find(word);
      std::string key = view + (pair != pairs.end() ? pair->second : word);
      auto [last, inserted] = lastViewState_.try_emplace(key, state);
      if (!inserted && last->second == state) return false;
      last->second = state;
    }
    return true;
  }

  void expect(const Step& step, const std::string& what, long actual, long expected) {
    std::ostringstream text;
    text << "expect " << what << " " << expected;
    if (actual != expected) {
      text << ": FAILED, line " << step.line << " found " << actual;
      ++failures_;
    } else {
      text << ": ok";
    }
    print(desktop_.now(), "replay", text.str());
  }

  static UInt32 Modifiers(const std::string& list) {
    UInt32 word = 0;
    std::stringstream names(list);
    for (std::string name; std::getline(names, name, ',');) {
      if (name == "shift") word |= shiftKey;
      if (name == "control") word |= controlKey;
      if (name == "option") word |= optionKey;
      if (name == "command") word |= cmdKey;
      if (name == "caps-lock") word |= alphaLock;
    }
    return word;
  }

  static std::string Option(const Step& step, const std::string& key) {
    for (std::size_t i = 2; i + 1 < step.words.size(); i += 2) {
      if (step.words[i] == key) return step.words[i + 1];
    }
    return {};
  }

  void storeDelay(const Step& step) {
    NSDictionary domain;
    domain.setObject("1.0", kTandrelFirstRunKey);
    if (step.words[0] == "nan") {
      domain.setObject(NSNumber::numberWithFloat(std::numeric_limits<float>::quiet_NaN()),
                       kTandrelPopupDelayKey);
    } else if (step.words[0] != "none") {
      domain.setObject(NSNumber::numberWithFloat(float(step.numbers[0])), kTandrelPopupDelayKey);
    }
    sim::ProcessScope scope(pane());
    desktop_.defaultsStore().writeDomain(kTandrelDomain, &domain);
  }

  sim::Process& pane() {
    if (pane_ == nullptr) pane_ = &desktop_.spawn("pane");
    return *pane_;
  }

  void perform(const Step& step) {
    const std::string& c = step.command;
    const auto& w = step.words;
    const auto& n = step.numbers;
    if (c == "accessibility") {
      desktop_.accessibilityEnabled = w[0] == "on";
      print(desktop_.now(), "desktop", "accessibility " + w[0]);
    } else if (c == "double-click-interval") {
      desktop_.doubleClickTicks = UInt32(std::stoul(w[0]));
    } else if (c == "element") {
      std::optional<std::string> role;
      if (w[5] != "not-a-string") role = w[5];
      desktop_.addElement({w[0], {float(n[0]), float(n[1]), float(n[2]), float(n[3])}, role});
    } else if (c == "element-role-error") {
      std::vector<sim::Element> elements = desktop_.elements();
      desktop_.clearElements();
      for (sim::Element& e : elements) {
        if (e.name == w[0]) e.roleError = AXError(n[0]);
        desktop_.addElement(e);
      }
    } else if (c == "element-query-error") {
      desktop_.elementQueryError = AXError(n[0]);
    } else if (c == "install-status") {
      desktop_.installStatus = OSStatus(n[0]);
    } else if (c == "stored-delay") {
      storeDelay(step);
    } else if (c == "launch") {
      if (!desktop_.launch(tandrel_test::kDaemonBundlePath)) {
        print(desktop_.now(), "replay", "the daemon did not start");
      }
    } else if (c == "press") {
      std::string button = Option(step, "button"), clicks = Option(step, "clicks");
      std::optional<UInt32> count;
      if (!clicks.empty()) count = UInt32(std::stoul(clicks));
      desktop_.press({float(n[0]), float(n[1])},
                     EventMouseButton(button.empty() ? 1 : std::stoi(button)), count,
                     Modifiers(Option(step, "modifiers")));
    } else if (c == "drag") {
      desktop_.drag({float(n[0]), float(n[1])});
    } else if (c == "release") {
      std::string button = Option(step, "button");
      desktop_.release({float(n[0]), float(n[1])},
                       EventMouseButton(button.empty() ? 1 : std::stoi(button)));
    } else if (c == "notify") {
      sim::ProcessScope scope(pane());
      NSDistributedNotificationCenter::defaultCenter()->postNotificationName(w[0], nullptr);
    } else if (c == "pane") {
      performPane(w, n);
    } else if (c == "expect") {
      if (w[0] == "posted-calls")
        expect(step, w[0], long(desktop_.postedCalls().size()), long(n[0]));
      if (w[0] == "log-lines") expect(step, w[0], long(desktop_.logLines().size()), long(n[0]));
      if (w[0] == "armed-timers") {
        expect(step, w[0], long(desktop_.scheduledFireDates().size()), long(n[0]));
      }
      if (w[0] == "daemons") {
        long running = 0;
        for (const auto& process : desktop_.processes()) {
          running += process->isRunning() && process->name() == "Tandrel.app";
        }
        expect(step, w[0], running, long(n[0]));
      }
      if (w[0] == "notifications") {
        const auto& posted = desktop_.postedNotifications();
        expect(step, "notifications " + w[1], long(std::count(posted.begin(), posted.end(), w[1])),
               long(n[0]));
      }
    }
  }

  void performPane(const std::vector<std::string>& w, const std::vector<double>& n) {
    if (!paneHost_) paneHost_ = std::make_unique<tandrel_test::PaneHost>(desktop_);
    tandrel_test::PaneHost& host = *paneHost_;
    const std::string& action = w[0];
    if (action == "show") host.show();
    if (action == "leave") host.leave();
    if (action == "on") host.clickOn();
    if (action == "off") host.clickOff();
    if (action == "slider") host.moveSlider(float(n[0]));
    if (action == "release-slider") host.releaseSlider();
    if (action == "accessibility") host.setAccessibility(w[1] == "on");
    if (action == "open-universal-access") host.clickOpenUniversalAccess();
    if (action == "unload") host.unload();
    if (action == "quit") host.quit();
    if (action == "state") {
      std::istringstream lines(host.stateText());
      for (std::string line; std::getline(lines, line);) print(desktop_.now(), "pane", line);
    }
  }

  std::ostream& out_;
  std::map<std::string, std::string> lastViewState_;
  sim::Desktop desktop_;
  // The preferences host goes before the desktop it runs on.
  std::unique_ptr<tandrel_test::PaneHost> paneHost_;
  CFAbsoluteTime start_ = 0;
  sim::Process* pane_ = nullptr;
  int failures_ = 0;
};

}  // namespace

int RunScenario(const Scenario& scenario, std::ostream& timeline) {
  Runner runner(timeline);
  return runner.run(scenario);
}

}  // namespace replay
