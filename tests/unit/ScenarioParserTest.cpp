// tandrel-replay's scenario files: a bad line is reported with its number, never run.
#include <Scenario.h>

#include <gtest/gtest.h>

namespace {

struct BadScenario {
  const char* text;
  int line;
  const char* message;
  friend void PrintTo(const BadScenario& c, std::ostream* os) { *os << c.text; }
};

class BadScenarioFile : public ::testing::TestWithParam<BadScenario> {};

TEST_P(BadScenarioFile, IsRejectedWithTheLineAndTheReason) {
  auto parsed = replay::ParseScenario(GetParam().text);
  auto* error = std::get_if<replay::ParseError>(&parsed);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->line, GetParam().line);
  EXPECT_EQ(error->message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Replay, BadScenarioFile,
    ::testing::Values(
        BadScenario{"launch\nprss 1 2\n", 2, "unknown command 'prss'"},
        BadScenario{"# note\n\npress 1\n", 3,
                    "press: usage: press X Y [button N] [clicks N] [modifiers a,b]"},
        BadScenario{"press 1 two\n", 1, "press: 'two' is not a number (the press point)"},
        BadScenario{"press 1 2 button 4\n", 1, "press: button must be 1, 2 or 3"},
        BadScenario{"press 1 2 modifiers shift,hyper\n", 1,
                    "press: unknown modifier 'hyper' (shift, control, option, command, caps-lock)"},
        BadScenario{"press 1 2 clicks\n", 1, "press: 'clicks' needs a value"},
        BadScenario{"release 1 2 clicks 2\n", 1, "release: unknown option 'clicks'"},
        BadScenario{"at 2 launch\nat 1 wait\n", 2, "time 1 goes back before an earlier line"},
        BadScenario{"at -1 launch\n", 1, "'-1' is not a time in seconds"},
        BadScenario{"at nan launch\n", 1, "'nan' is not a time in seconds"},
        BadScenario{"at 1\n", 1, "a command must follow the time"},
        BadScenario{"at\n", 1, "'at' needs a time in seconds"},
        BadScenario{"accessibility maybe\n", 1, "accessibility: usage: accessibility on|off"},
        BadScenario{"double-click-interval 1e300\n", 1,
                    "double-click-interval: ticks must be 0 to 6000"},
        BadScenario{"element row 0 0 10\n", 1,
                    "element: usage: element NAME X Y WIDTH HEIGHT ROLE|not-a-string"},
        BadScenario{"stored-delay soon\n", 1,
                    "stored-delay: 'soon' is not a number (seconds, or none)"},
        BadScenario{"expect pongs 1\n", 1, "expect: cannot expect 'pongs'"}));

TEST(ScenarioFile, KeepsTimesAndArgumentsOfGoodLines) {
  auto parsed = replay::ParseScenario(
      "element row 20 40 400 20 AXRow  # a row\nat 0.5 press 100 50 clicks 1\nat 0.5 wait\n");
  auto* scenario = std::get_if<replay::Scenario>(&parsed);
  ASSERT_NE(scenario, nullptr);
  ASSERT_EQ(scenario->steps.size(), 3u);
  EXPECT_FALSE(scenario->steps[0].at);
  EXPECT_EQ(scenario->steps[0].numbers, (std::vector<double>{20, 40, 400, 20}));
  EXPECT_EQ(scenario->steps[1].at, 0.5);
  EXPECT_EQ(scenario->steps[1].command, "press");
  EXPECT_EQ(scenario->steps[1].numbers, (std::vector<double>{100, 50}));
  EXPECT_EQ(scenario->steps[2].line, 3);
}

}  // namespace
