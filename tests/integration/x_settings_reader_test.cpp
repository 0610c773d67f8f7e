// The XSettings reader against no settings manager and against xsettingsd.

#include "tandrel/desktop/x_settings_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "support/child_process.h"
#include "support/desktop.h"

namespace tandrel::desktop {
namespace {

using testing::displayName;

TEST(XSettings, FallsBackTo400MsWithoutAManager) {
  ASSERT_FALSE(displayName().empty()) << "run inside tools/headless-desktop";
  auto reader = XSettingsReader::open(displayName());
  ASSERT_TRUE(reader);
  EXPECT_FALSE(reader->read());
  EXPECT_FALSE(reader->managedDoubleClickTime());
  EXPECT_EQ(reader->doubleClickTime(), std::chrono::milliseconds(400));
  EXPECT_EQ(reader->doubleClickTicks(), 24u);
}

TEST(XSettings, ReadsTheManagersDoubleClickTime) {
  ASSERT_FALSE(displayName().empty()) << "run inside tools/headless-desktop";
  if (system("command -v xsettingsd >/dev/null") != 0) GTEST_SKIP() << "xsettingsd missing";
  char dir_template[] = "/tmp/xsettings-test.XXXXXX";
  ASSERT_TRUE(mkdtemp(dir_template));
  const std::string config = std::string(dir_template) + "/xsettingsd.conf";
  std::ofstream(config) << "Net/DoubleClickTime 250\nNet/ThemeName \"Adwaita\"\n";

  auto reader = XSettingsReader::open(displayName());
  ASSERT_TRUE(reader);
  testing::ChildProcess manager({"xsettingsd", "-c", config});
  ASSERT_TRUE(manager.started());
  // The manager takes the selection when it is up; nothing announces that to us but the
  // selection itself.
  std::optional<XSettings> settings;
  for (int tries = 0; tries < 500 && !settings; ++tries) {
    settings = reader->read();
    if (!settings) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::remove(config.c_str());
  rmdir(dir_template);
  ASSERT_TRUE(settings) << "xsettingsd never took the selection";
  EXPECT_EQ(settings->values.at("Net/ThemeName"), XSettingValue(std::string("Adwaita")));
  EXPECT_EQ(reader->managedDoubleClickTime(), std::chrono::milliseconds(250));
  EXPECT_EQ(reader->doubleClickTicks(), 15u);
}

}  // namespace
}  // namespace tandrel::desktop
