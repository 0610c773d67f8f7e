// The _XSETTINGS_SETTINGS parser on hand-made buffers.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tandrel/desktop/x_settings_reader.h"

namespace tandrel::desktop {
namespace {

// Writes the property format in either byte order, to make the cases below readable.
class Writer {
 public:
  explicit Writer(bool big_endian) : big_(big_endian) {
    bytes.push_back(big_endian ? 1 : 0);
    bytes.insert(bytes.end(), 3, 0);
  }
  Writer& u16(std::uint16_t v) {
    return big_ ? put(v >> 8).put(v & 0xff) : put(v & 0xff).put(v >> 8);
  }
  Writer& u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) put((v >> (big_ ? 24 - 8 * i : 8 * i)) & 0xff);
    return *this;
  }
  Writer& text(const std::string& s) {
    for (char c : s) put(static_cast<std::uint8_t>(c));
    while (bytes.size() % 4 != 0) put(0);
    return *this;
  }
  Writer& entryHead(std::uint8_t type, const std::string& name, std::uint32_t serial = 0) {
    return put(type).put(0).u16(static_cast<std::uint16_t>(name.size())).text(name).u32(serial);
  }
  Writer& integer(const std::string& name, std::int32_t v) {
    return entryHead(0, name).u32(static_cast<std::uint32_t>(v));
  }
  Writer& string(const std::string& name, const std::string& v) {
    return entryHead(1, name).u32(static_cast<std::uint32_t>(v.size())).text(v);
  }
  Writer& put(std::uint8_t b) {
    bytes.push_back(b);
    return *this;
  }
  std::vector<std::uint8_t> bytes;

 private:
  bool big_;
};

std::vector<std::uint8_t> threeSettings(bool big_endian) {
  Writer w(big_endian);
  w.u32(7).u32(3);
  w.integer("Net/DoubleClickTime", 250);
  w.string("Net/ThemeName", "Adwaita");
  w.entryHead(2, "Gtk/Color").u16(0x1111).u16(0x2222).u16(0x3333).u16(0xffff);
  return w.bytes;
}

TEST(XSettingsParser, ReadsEveryTypeInBothByteOrders) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    const auto settings = parseXSettings(threeSettings(big));
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->serial, 7u);
    ASSERT_EQ(settings->values.size(), 3u);
    EXPECT_EQ(std::get<std::int32_t>(settings->values.at("Net/DoubleClickTime")), 250);
    EXPECT_EQ(std::get<std::string>(settings->values.at("Net/ThemeName")), "Adwaita");
    // On the wire: red, blue, green, alpha.
    EXPECT_EQ(std::get<XSettingColor>(settings->values.at("Gtk/Color")),
              (XSettingColor{0x1111, 0x3333, 0x2222, 0xffff}));
  }
}

TEST(XSettingsParser, ReadsALiteralBigEndianBuffer) {
  // Written out by hand, not by the Writer: one integer "a" = -2 (0xfffffffe).
  const std::vector<std::uint8_t> bytes = {
      1,    0,    0,    0,                   // MSBFirst, padding
      0,    0,    0,    9,                   // serial
      0,    0,    0,    1,                   // one setting
      0,    0,    0,    1,    'a', 0, 0, 0,  // integer, pad, name length 1, "a" padded
      0,    0,    0,    4,                   // last-change serial
      0xff, 0xff, 0xff, 0xfe,                // value
  };
  const auto settings = parseXSettings(bytes);
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->serial, 9u);
  EXPECT_EQ(std::get<std::int32_t>(settings->values.at("a")), -2);
}

TEST(XSettingsParser, RejectsEveryTruncation) {
  const auto whole = threeSettings(false);
  for (std::size_t length = 0; length < whole.size(); ++length) {
    // A copy of exactly that size, so an over-read lands outside the allocation.
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + length);
    EXPECT_FALSE(parseXSettings(cut)) << "length " << length;
  }
}

TEST(XSettingsParser, AcceptsNoSettings) {
  Writer w(false);
  w.u32(1).u32(0);
  const auto settings = parseXSettings(w.bytes);
  ASSERT_TRUE(settings);
  EXPECT_TRUE(settings->values.empty());
}

struct BadCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
};

std::vector<BadCase> badCases() {
  std::vector<BadCase> cases;
  {
    auto bytes = threeSettings(false);
    bytes[0] = 'l';  // a byte-order mark from another protocol
    cases.push_back({"UnknownByteOrder", bytes});
  }
  {
    Writer w(false);
    w.u32(1).u32(1).entryHead(3, "Net/DoubleClickTime").u32(250);
    cases.push_back({"UnknownType", w.bytes});
  }
  {
    Writer w(false);
    w.u32(1).u32(0xffffffff).integer("a", 1);
    cases.push_back({"CountBeyondTheBytes", w.bytes});
  }
  {
    Writer w(false);
    w.u32(1).u32(2).integer("a", 1);
    cases.push_back({"CountOneTooMany", w.bytes});
  }
  {
    Writer w(false);
    w.u32(1).u32(1).put(0).put(0).u16(0xffff).text("abcd").u32(0).u32(1);
    cases.push_back({"NameLongerThanTheBuffer", w.bytes});
  }
  {
    Writer w(false);
    w.u32(1).u32(1).entryHead(1, "s").u32(0xfffffff0).text("abcd");
    cases.push_back({"StringLongerThanTheBuffer", w.bytes});
  }
  {
    Writer w(false);
    // Three bytes of text claimed, and its padding missing.
    w.u32(1).u32(1).entryHead(1, "s").u32(3).put('a').put('b').put('c');
    cases.push_back({"StringPaddingMissing", w.bytes});
  }
  return cases;
}

class XSettingsParserBad : public ::testing::TestWithParam<BadCase> {};

TEST_P(XSettingsParserBad, IsRejected) {
  EXPECT_FALSE(parseXSettings(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(Cases, XSettingsParserBad, ::testing::ValuesIn(badCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XSettingsTicks, RoundsToTheNearestSixtiethOfASecond) {
  const std::pair<int, std::uint32_t> cases[] = {
      {400, 24}, {250, 15}, {500, 30}, {1000, 60}, {8, 0}, {9, 1}, {0, 0}, {-5, 0},
  };
  for (auto [ms, ticks] : cases) {
    EXPECT_EQ(millisecondsToTicks(std::chrono::milliseconds(ms)), ticks) << ms << " ms";
  }
}

}  // namespace
}  // namespace tandrel::desktop
