// The backend-neutral Foundation pieces: dictionaries and the defaults object over a store.
#include <Foundation/NSUserDefaults.h>
#include <SimDesktop.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::ElementsAre;

TEST(NSDictionaryTest, KeepsKeysInTheOrderTheyWereFirstSet) {
  NSDictionary d;
  d.setObject("b", "second");
  d.setObject("a", "first");
  d.setObject("c", "second");  // replaced in place
  EXPECT_THAT(d.allKeys(), ElementsAre("second", "first"));
  EXPECT_EQ(*d.objectForKey("second")->string(), "c");
  d.removeObjectForKey("second");
  EXPECT_THAT(d.allKeys(), ElementsAre("first"));
  EXPECT_EQ(d.objectForKey("second"), nullptr);
}

class DefaultsTest : public ::testing::Test {
 protected:
  sim::Desktop desktop;
  NSUserDefaults reader{desktop.defaultsStore()};
  NSUserDefaults writer{desktop.defaultsStore()};
};

TEST_F(DefaultsTest, AnotherProcessesSaveIsSeenAfterSynchronize) {
  reader.addSuiteNamed("domain");
  EXPECT_EQ(reader.floatForKey("delay"), 0.0f);

  NSDictionary domain;
  domain.setObject(NSNumber::numberWithFloat(0.75f), "delay");
  writer.setPersistentDomain(domain, "domain");
  EXPECT_EQ(reader.floatForKey("delay"), 0.0f) << "not saved yet";
  writer.synchronize();
  EXPECT_EQ(reader.floatForKey("delay"), 0.0f) << "the reader has not synchronized";
  reader.synchronize();
  EXPECT_EQ(reader.floatForKey("delay"), 0.75f);
}

TEST_F(DefaultsTest, AddingASuiteTwiceLeavesTheLookupsAsTheyWere) {
  NSDictionary first, second;
  first.setObject(NSNumber::numberWithFloat(1.0f), "delay");
  second.setObject(NSNumber::numberWithFloat(2.0f), "delay");
  writer.setPersistentDomain(first, "first");
  writer.setPersistentDomain(second, "second");
  writer.synchronize();
  reader.addSuiteNamed("first");
  reader.addSuiteNamed("second");
  reader.addSuiteNamed("first");
  EXPECT_EQ(reader.floatForKey("delay"), 1.0f);
}

TEST_F(DefaultsTest, FloatForKeyReadsNumbersAndNumericStringsOnly) {
  NSDictionary domain;
  domain.setObject(NSNumber::numberWithInteger(3), "integer");
  domain.setObject(NSNumber::numberWithBool(true), "boolean");
  domain.setObject("0.25", "numeric");
  domain.setObject("soon", "text");
  domain.setObject(NSDictionary{}, "dictionary");
  writer.setPersistentDomain(domain, "d");
  writer.addSuiteNamed("d");
  EXPECT_EQ(writer.floatForKey("integer"), 3.0f);
  EXPECT_EQ(writer.floatForKey("boolean"), 1.0f);
  EXPECT_EQ(writer.floatForKey("numeric"), 0.25f);
  EXPECT_EQ(writer.floatForKey("text"), 0.0f);
  EXPECT_EQ(writer.floatForKey("dictionary"), 0.0f);
  EXPECT_EQ(writer.floatForKey("absent"), 0.0f);
}

TEST_F(DefaultsTest, ARemovedDomainIsGoneForEveryoneAfterSynchronize) {
  writer.setPersistentDomain(NSDictionary{}, "d");
  writer.synchronize();
  ASSERT_TRUE(reader.persistentDomainForName("d"));
  writer.removePersistentDomainForName("d");
  writer.synchronize();
  reader.synchronize();
  EXPECT_FALSE(reader.persistentDomainForName("d"));
}

}  // namespace
