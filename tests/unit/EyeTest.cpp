// The eye in the preview box: where it looks for a pointer, and when it moves.
#include "PaneFixture.h"

#include <cmath>

namespace {

struct EyeCase {
  NSPoint pointer;  // in the box's coordinates
  NSPoint origin;   // where the eye goes, to four decimals
  friend void PrintTo(const EyeCase& c, std::ostream* os) {
    *os << "pointer (" << c.pointer.x << ", " << c.pointer.y << ")";
  }
};

// The host's layout: a 64-point box with a 24-point eye in it, the box at (40, 40) in the main
// view of a window at (200, 200).
class EyeGeometry : public PaneTest, public ::testing::WithParamInterface<EyeCase> {
 protected:
  EyeGeometry() { load(MakeBundle("1.0")); }
  void pointAt(NSPoint inBox) { desktop.movePointer({inBox.x + 240.0f, inBox.y + 240.0f}); }
};

TEST_P(EyeGeometry, PlacesTheEyeAsTheWorkedExamplesDo) {
  pointAt(GetParam().pointer);
  {
    sim::ProcessScope scope(host->process());
    host->eye()->updateEye(nullptr);
  }
  NSPoint origin = host->eyeImage().frame().origin;
  EXPECT_NEAR(origin.x, GetParam().origin.x, 1e-4);
  EXPECT_NEAR(origin.y, GetParam().origin.y, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(PaneEye, EyeGeometry,
                         ::testing::Values(EyeCase{{200, 20}, {40, 20}},  // right edge
                                           EyeCase{{20, 200}, {20, 40}},  // top edge
                                           EyeCase{{20, -100}, {20, 0}},  // bottom edge
                                           EyeCase{{220, 220}, {39.5959f, 24}},
                                           EyeCase{{-180, -180}, {0.4041f, 16}},
                                           EyeCase{{30, 20}, {21, 20}},
                                           EyeCase{{45, 60}, {32.1479f, 24.6292f}},
                                           EyeCase{{20, 20}, {19, 20}},  // one point left
                                           EyeCase{{63, 20}, {51, 20}},  // past the right edge
                                           EyeCase{{1, 20}, {13, 20}}));

long OriginChanges(const sim::Desktop& desktop) {
  return std::count_if(desktop.viewChanges().begin(), desktop.viewChanges().end(),
                       [](const std::string& c) { return c.rfind("eyeImage: origin", 0) == 0; });
}

TEST_F(PaneTest, AStillPointerCostsNothingAfterTheFirstTick) {
  desktop.movePointer({400, 400});
  load(MakeBundle("1.0"));
  std::size_t first = desktop.viewChanges().size();
  desktop.runFor(0.1);
  // The first tick applies the origin again, since awakeFromNib forgot it: hidden, moved, shown.
  std::vector<std::string> tick(desktop.viewChanges().begin() + long(first),
                                desktop.viewChanges().end());
  std::erase_if(tick, [](const std::string& c) { return c.rfind("eyeImage", 0) != 0; });
  EXPECT_THAT(tick, ::testing::ElementsAre("eyeImage: hidden", "eyeImage: origin (39.5959, 24)",
                                           "eyeImage: shown"));
  long moved = OriginChanges(desktop);
  desktop.runFor(2.0);
  EXPECT_EQ(OriginChanges(desktop), moved);
  desktop.movePointer({100, 100});
  desktop.runFor(0.1);
  EXPECT_EQ(OriginChanges(desktop), moved + 1);
}

TEST_F(PaneTest, TheEyeFollowsWhileAControlIsDraggedButNotUnderAModalPanel) {
  load(MakeBundle("1.0"));
  host->moveSlider(1.0f);
  desktop.movePointer({500, 260});
  desktop.runFor(0.1);
  EXPECT_FLOAT_EQ(host->eyeImage().frame().origin.x, 40.0f);
  host->releaseSlider();
  host->process().setRunLoopMode(NSModalPanelRunLoopMode);
  desktop.movePointer({0, 260});
  desktop.runFor(1.0);
  EXPECT_FLOAT_EQ(host->eyeImage().frame().origin.x, 40.0f);
  host->process().setRunLoopMode(kCFRunLoopDefaultMode);
  desktop.runFor(0.1);
  EXPECT_FLOAT_EQ(host->eyeImage().frame().origin.x, 0.0f);
}

TEST_F(PaneTest, AnEyeOutOfAWindowWaitsForOne) {
  load(MakeBundle("1.0"));
  NSPoint before = host->eyeImage().frame().origin;
  host->eyeBox().removeFromSuperview();
  desktop.movePointer({500, 260});
  desktop.runFor(1.0);
  EXPECT_TRUE(NSEqualPoints(host->eyeImage().frame().origin, before));
}

}  // namespace
