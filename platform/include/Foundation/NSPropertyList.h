// Property-list values: strings, numbers, arrays and dictionaries, as defaults domains and
// Info dictionaries hold them.
#pragma once

#include <Foundation/NSString.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

class NSNumber {
 public:
  enum class Kind { Integer, Real, Boolean };

  static NSNumber numberWithFloat(float value) { return NSNumber(Kind::Real, value); }
  static NSNumber numberWithDouble(double value) { return NSNumber(Kind::Real, value); }
  static NSNumber numberWithInteger(std::int64_t value) {
    return NSNumber(Kind::Integer, static_cast<double>(value), value);
  }
  static NSNumber numberWithBool(bool value) {
    return NSNumber(Kind::Boolean, value ? 1.0 : 0.0, value ? 1 : 0);
  }

  Kind kind() const { return kind_; }
  float floatValue() const { return static_cast<float>(real_); }
  double doubleValue() const { return real_; }
  std::int64_t integerValue() const {
    return kind_ == Kind::Real ? static_cast<std::int64_t>(real_) : integer_;
  }
  bool boolValue() const { return kind_ == Kind::Real ? real_ != 0.0 : integer_ != 0; }

  friend bool operator==(const NSNumber&, const NSNumber&) = default;

 private:
  NSNumber(Kind kind, double real, std::int64_t integer = 0)
      : kind_(kind), real_(real), integer_(integer) {}
  Kind kind_;
  double real_;
  std::int64_t integer_;
};

class PropertyList;
using NSArray = std::vector<PropertyList>;

// A dictionary that keeps its keys in the order they were first set, so that a saved domain
// reads back in the order it was written.
class NSDictionary {
 public:
  using Entry = std::pair<NSString, PropertyList>;

  const PropertyList* objectForKey(const NSString& key) const;
  void setObject(PropertyList value, const NSString& key);
  void removeObjectForKey(const NSString& key);
  std::size_t count() const { return entries_.size(); }
  std::vector<NSString> allKeys() const;

  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

  friend bool operator==(const NSDictionary&, const NSDictionary&);

 private:
  std::vector<Entry> entries_;
};

class PropertyList {
 public:
  PropertyList(NSString value) : value_(std::move(value)) {}
  PropertyList(const char* value) : value_(NSString(value)) {}
  PropertyList(NSNumber value) : value_(value) {}
  PropertyList(NSArray value) : value_(std::move(value)) {}
  PropertyList(NSDictionary value) : value_(std::move(value)) {}

  // Each answers null when the value is of another type.
  const NSString* string() const { return std::get_if<NSString>(&value_); }
  const NSNumber* number() const { return std::get_if<NSNumber>(&value_); }
  const NSArray* array() const { return std::get_if<NSArray>(&value_); }
  const NSDictionary* dictionary() const { return std::get_if<NSDictionary>(&value_); }

  friend bool operator==(const PropertyList&, const PropertyList&) = default;

 private:
  std::variant<NSString, NSNumber, NSArray, NSDictionary> value_;
};

// Reads a property list: the XML form of Info.plist files, string tables and defaults domains,
// or the binary form a list converted with plistutil has. Dates, data and uids have no value
// here and are left out of the array or dictionary holding them. Nothing when the text is not a
// property list, when its root is one of those left out, or when it nests absurdly deep.
std::optional<PropertyList> NSPropertyListFromXML(std::string_view text);

// Writes a value as an XML property list that NSPropertyListFromXML reads back equal, keys in
// their order and reals exactly.
std::string NSPropertyListToXML(const PropertyList& value);
