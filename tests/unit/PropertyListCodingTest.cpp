// Property lists to XML and back: what bundles and defaults domains rely on.
#include <Foundation/NSPropertyList.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using ::testing::ElementsAre;

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";

std::string Repeated(std::string_view part, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += part;
  return out;
}

std::string NestedArrays(int levels) {
  return kHeader + Repeated("<array>", levels) + Repeated("</array>", levels) + "</plist>";
}

TEST(PropertyListCodingTest, NestedValuesRoundTripWithKeyOrderAndExactReals) {
  NSDictionary inner;
  inner.setObject(NSNumber::numberWithBool(false), "z");
  inner.setObject(NSArray{"a & <b>", NSNumber::numberWithInteger(-7)}, "a");
  NSDictionary root;
  root.setObject(NSNumber::numberWithDouble(0.1), "delay");
  root.setObject(NSNumber::numberWithFloat(0.6f), "float");
  root.setObject(NSNumber::numberWithInteger(std::numeric_limits<std::int64_t>::min()), "min");
  root.setObject("caf\xC3\xA9", "name");
  root.setObject(NSArray{inner, NSArray{}, NSDictionary{}}, "list");
  root.setObject(inner, "inner");

  const std::string xml = NSPropertyListToXML(root);
  std::optional<PropertyList> read = NSPropertyListFromXML(xml);
  ASSERT_TRUE(read) << xml;
  ASSERT_NE(read->dictionary(), nullptr);
  const NSDictionary& dict = *read->dictionary();
  EXPECT_EQ(dict, root);
  EXPECT_THAT(dict.allKeys(), ElementsAre("delay", "float", "min", "name", "list", "inner"));
  EXPECT_THAT(dict.objectForKey("inner")->dictionary()->allKeys(), ElementsAre("z", "a"));
  EXPECT_EQ(dict.objectForKey("delay")->number()->doubleValue(), 0.1);
  EXPECT_EQ(dict.objectForKey("float")->number()->floatValue(), 0.6f);
  EXPECT_EQ(dict.objectForKey("min")->number()->kind(), NSNumber::Kind::Integer);
  EXPECT_EQ(dict.objectForKey("inner")->dictionary()->objectForKey("z")->number()->kind(),
            NSNumber::Kind::Boolean);
}

TEST(PropertyListCodingTest, RealsThatPrintBadlyComeBackBitForBit) {
  for (double value : {1.0 / 3.0, 1e-300, 5e-324, 1.7976931348623157e308, -2.5, 0.0}) {
    std::optional<PropertyList> read =
        NSPropertyListFromXML(NSPropertyListToXML(NSNumber::numberWithDouble(value)));
    ASSERT_TRUE(read && read->number()) << value;
    EXPECT_EQ(read->number()->doubleValue(), value);
    EXPECT_EQ(std::signbit(read->number()->doubleValue()), std::signbit(value)) << value;
  }
}

TEST(PropertyListCodingTest, DatesAndDataAreLeftOutOfTheirDictionary) {
  std::optional<PropertyList> read = NSPropertyListFromXML(
      kHeader +
      "<dict><key>when</key><date>2020-01-01T00:00:00Z</date><key>blob</key><data>AAE=</data>"
      "<key>kept</key><string>yes</string></dict></plist>");
  ASSERT_TRUE(read && read->dictionary());
  EXPECT_THAT(read->dictionary()->allKeys(), ElementsAre("kept"));
}

struct Rejected {
  const char* name;
  std::string text;
};

class PropertyListRejectionTest : public ::testing::TestWithParam<Rejected> {};

TEST_P(PropertyListRejectionTest, GivesNothing) {
  EXPECT_FALSE(NSPropertyListFromXML(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PropertyListRejectionTest,
    ::testing::Values(
        Rejected{"Empty", ""}, Rejected{"Prose", "this is not a property list"},
        Rejected{"OtherXml", "<?xml version=\"1.0\"?><html><body/></html>"},
        Rejected{"Unclosed", kHeader + "<dict><key>a</key><string>b</string>"},
        Rejected{"Mismatched", kHeader + "<array></dict></plist>"},
        Rejected{"UnknownEntity", kHeader + "<string>&bogus;</string></plist>"},
        Rejected{"CutOffTag", kHeader + "<dict"},
        Rejected{"RootDate", kHeader + "<date>2020-01-01T00:00:00Z</date></plist>"},
        Rejected{"DeeperThanAnyDomain", NestedArrays(100)},
        // Deep enough to exhaust the stack inside the library if it ever reached it.
        Rejected{"AbsurdlyDeep", NestedArrays(1000000)},
        // Close tags the parser ignores must not hide the depth from the check.
        Rejected{"DepthBehindCommentedCloses", kHeader + Repeated("<array><!-- </array> -->", 100) +
                                                   Repeated("</array>", 100) + "</plist>"},
        Rejected{"DepthBehindQuotedCloses", kHeader + Repeated("<array a=\"</array>\">", 100) +
                                                Repeated("</array>", 100) + "</plist>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PropertyListCodingTest, NestingThatADomainMightHaveIsRead) {
  std::optional<PropertyList> read = NSPropertyListFromXML(NestedArrays(32));
  ASSERT_TRUE(read);
  int depth = 0;
  for (const PropertyList* value = &*read; value->array() && !value->array()->empty();
       value = &value->array()->front()) {
    ++depth;
  }
  EXPECT_EQ(depth, 31);
}

}  // namespace
