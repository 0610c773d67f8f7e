// An owned value of a property list: the types a preference domain holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tandrel::desktop {

class PlistValue;

using PlistArray = std::vector<PlistValue>;

// Keys keep the order in which they were written or read, so a file rewritten
// after a small change differs from the old one only where it changed.
class PlistDictionary {
 public:
  using Entry = std::pair<std::string, PlistValue>;

  // Replaces the value of an existing key in place, or appends the key.
  void set(std::string key, PlistValue value);
  const PlistValue* find(std::string_view key) const;
  PlistValue* find(std::string_view key);
  bool remove(std::string_view key);

  const std::vector<Entry>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

  friend bool operator==(const PlistDictionary&, const PlistDictionary&) = default;

 private:
  std::vector<Entry> entries_;
};

class PlistValue {
 public:
  using Storage =
      std::variant<std::string, double, std::int64_t, bool, PlistArray, PlistDictionary>;

  PlistValue() : storage_(std::string()) {}
  PlistValue(std::string v) : storage_(std::move(v)) {}
  PlistValue(std::string_view v) : storage_(std::string(v)) {}
  PlistValue(const char* v) : storage_(std::string(v)) {}
  PlistValue(double v) : storage_(v) {}
  PlistValue(float v) : storage_(static_cast<double>(v)) {}
  PlistValue(std::int64_t v) : storage_(v) {}
  PlistValue(int v) : storage_(static_cast<std::int64_t>(v)) {}
  PlistValue(bool v) : storage_(v) {}
  PlistValue(PlistArray v) : storage_(std::move(v)) {}
  PlistValue(PlistDictionary v) : storage_(std::move(v)) {}

  bool isString() const { return std::holds_alternative<std::string>(storage_); }
  bool isReal() const { return std::holds_alternative<double>(storage_); }
  bool isInteger() const { return std::holds_alternative<std::int64_t>(storage_); }
  bool isBoolean() const { return std::holds_alternative<bool>(storage_); }
  bool isArray() const { return std::holds_alternative<PlistArray>(storage_); }
  bool isDictionary() const { return std::holds_alternative<PlistDictionary>(storage_); }

  // Typed access; nullptr when the value holds another type.
  const std::string* asString() const { return std::get_if<std::string>(&storage_); }
  const double* asReal() const { return std::get_if<double>(&storage_); }
  const std::int64_t* asInteger() const { return std::get_if<std::int64_t>(&storage_); }
  const bool* asBoolean() const { return std::get_if<bool>(&storage_); }
  const PlistArray* asArray() const { return std::get_if<PlistArray>(&storage_); }
  const PlistDictionary* asDictionary() const { return std::get_if<PlistDictionary>(&storage_); }
  PlistArray* asArray() { return std::get_if<PlistArray>(&storage_); }
  PlistDictionary* asDictionary() { return std::get_if<PlistDictionary>(&storage_); }

  const Storage& storage() const { return storage_; }

  friend bool operator==(const PlistValue&, const PlistValue&) = default;

 private:
  Storage storage_;
};

}  // namespace tandrel::desktop
