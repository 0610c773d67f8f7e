// The poster on a real X server: what it posts while the emulated user holds the primary button,
// and what the sample GTK application makes of it.

#include "tandrel/desktop/x_test_poster.h"

#include <gtest/gtest.h>

#include "support/desktop.h"
#include "support/sample_app.h"
#include "tandrel/desktop/x_record_monitor.h"
#include "virtual_user.h"

namespace tandrel::desktop {
namespace {

using testing::displayName;
using xuser::VirtualUser;

class PosterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(displayName().empty()) << "run inside tools/headless-desktop";
    std::string error;
    user_ = VirtualUser::open(displayName(), &error);
    ASSERT_TRUE(user_) << error;
    PosterError poster_error = PosterError::none;
    poster_ = XTestPoster::create(displayName(), &poster_error);
    ASSERT_TRUE(poster_) << describe(poster_error);
  }

  void TearDown() override {
    // Never leave a button down for the next test.
    if (poster_) poster_->post(0, 0, false, {false, false, false});
  }

  testing::Point pointer() const {
    int x = 0, y = 0;
    unsigned mask = 0;
    user_->query(&x, &y, &mask);
    return {x, y};
  }

  std::unique_ptr<VirtualUser> user_;
  std::unique_ptr<XTestPoster> poster_;
};

TEST_F(PosterTest, SecondaryPressWhilePrimaryHeldOpensTheRowMenu) {
  testing::SampleApp app;
  ASSERT_TRUE(app.ready());
  const testing::Point row = app.target("row1");
  user_->move(row.x, row.y);
  user_->press(1);
  user_->sync();
  ASSERT_TRUE(app.waitFor("press", {{"button", "1"}, {"widget", "row"}}));

  const PostReport down = poster_->post(row.x, row.y, false, {true, true});
  EXPECT_EQ(down.changes, (std::vector<ButtonChange>{{3, true}}));
  EXPECT_FALSE(down.moved);
  auto press = app.waitFor("press", {{"button", "3"}, {"widget", "row"}});
  ASSERT_TRUE(press);
  EXPECT_EQ(press->point("root").x, row.x);
  EXPECT_EQ(press->point("root").y, row.y);
  EXPECT_TRUE(press->number("state") & 0x100) << "the primary was not seen held";
  EXPECT_TRUE(app.waitFor("menu-opened", {{"widget", "row"}}));

  // The user lets go; only the secondary is still down.
  user_->release(1);
  user_->sync();
  const PostReport up = poster_->post(row.x, row.y, false, {false, false});
  EXPECT_EQ(up.changes, (std::vector<ButtonChange>{{3, false}}));
  EXPECT_EQ(poster_->currentButtons(), 0u);
}

TEST_F(PosterTest, PostsNothingForButtonsAlreadyInTheWantedState) {
  user_->move(300, 300);
  user_->press(1);
  user_->sync();
  EXPECT_TRUE(poster_->post(300, 300, false, {true}).changes.empty());
  EXPECT_TRUE(poster_->post(300, 300, false, {true, false, false}).changes.empty());
  user_->release(1);
  user_->sync();
  // Had the poster pressed the primary too, the XTEST device would still hold it now.
  EXPECT_EQ(poster_->currentButtons(), 0u);
  EXPECT_TRUE(poster_->post(300, 300, false, {false}).changes.empty());
}

TEST_F(PosterTest, LeavesButtonsPastTheListAlone) {
  user_->move(300, 300);
  user_->press(3);
  user_->sync();
  // Only the primary is named: the held secondary is not released.
  EXPECT_EQ(poster_->post(300, 300, false, {true}).changes, (std::vector<ButtonChange>{{1, true}}));
  EXPECT_EQ(poster_->currentButtons(), 0b101u);
  EXPECT_EQ(poster_->post(300, 300, false, {false}).changes,
            (std::vector<ButtonChange>{{1, false}}));
  user_->release(3);
}

struct MoveCase {
  const char* name;
  bool update_cursor;
  bool pointer_stays_at_target;
};

class PosterMoveTest : public PosterTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(PosterMoveTest, PostsAtThePointAndRestoresThePointerUnlessAsked) {
  const MoveCase& c = GetParam();
  testing::MainContext context;
  std::vector<MouseEvent> seen;
  XRecordMonitor::Options options;
  options.context = context.get();
  auto monitor = XRecordMonitor::create(
      options, [&](const MouseEvent& e) { seen.push_back(e); }, nullptr);
  ASSERT_TRUE(monitor);

  user_->move(50, 60);
  user_->sync();
  const PostReport down = poster_->post(700.4f, 650.6f, c.update_cursor, {true});
  const PostReport up = poster_->post(700, 651, c.update_cursor, {false});
  EXPECT_TRUE(down.moved);
  EXPECT_EQ(down.restored, !c.update_cursor);
  EXPECT_EQ(up.moved, !c.update_cursor);

  // The server sends recorded events on only when it flushes some client's output; on a desktop
  // the application under the pointer gets these events and so provides it. Here a round trip
  // on the poster's own connection, after its posts, stands in.
  poster_->currentButtons();
  // Moving back with the primary held is a drag; wait for the release.
  ASSERT_TRUE(testing::pumpUntil(
      context.get(), [&] { return !seen.empty() && seen.back().kind == MouseEventKind::release; }));
  EXPECT_EQ(seen[0].kind, MouseEventKind::press);
  EXPECT_EQ(seen[0].x, 700);
  EXPECT_EQ(seen[0].y, 651);
  EXPECT_EQ(seen.back().kind, MouseEventKind::release);
  EXPECT_EQ(seen.back().x, 700);
  EXPECT_EQ(seen.back().y, 651);

  const testing::Point now = pointer();
  const testing::Point expected =
      c.pointer_stays_at_target ? testing::Point{700, 651} : testing::Point{50, 60};
  EXPECT_EQ(now.x, expected.x);
  EXPECT_EQ(now.y, expected.y);
}

INSTANTIATE_TEST_SUITE_P(Desktop, PosterMoveTest,
                         ::testing::Values(MoveCase{"PutBack", false, false},
                                           MoveCase{"UpdateCursor", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tandrel::desktop
