// Property lists to and from their file forms, through libplist.
//
// libplist parses XML without recursing, but it frees, writes and parses binary lists one
// call per level, so a deeply nested file could exhaust the stack inside the library before
// any check of ours on the parsed tree. The text is therefore measured before libplist sees
// it, and a list nested deeper than any Info dictionary or defaults domain would be is refused.
#include <Foundation/NSPropertyList.h>

#include <plist/plist.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace {

// Levels of arrays and dictionaries inside the root value.
constexpr int kMaxDepth = 64;
// Arrays and dictionaries a binary list may hold at all: its nesting cannot exceed their count.
constexpr std::uint64_t kMaxBinaryContainers = 4096;

struct PlistFree {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

struct CFree {
  void operator()(void* p) const { std::free(p); }
};

// Skips the construct starting at `pos` up to and including `end`; false when it never ends.
bool SkipPast(std::string_view text, std::size_t& pos, std::string_view end) {
  std::size_t found = text.find(end, pos);
  if (found == std::string_view::npos) return false;
  pos = found + end.size();
  return true;
}

// The deepest element nesting of an XML text, the root element counting one; nothing when the
// markup is cut off. Comments, CDATA sections, declarations and quoted attribute values are
// skipped as an XML parser skips them, so that no close tag hidden in them lowers the count.
std::optional<int> XMLElementDepth(std::string_view text, int limit) {
  int depth = 0;
  int deepest = 0;
  std::size_t pos = 0;
  while ((pos = text.find('<', pos)) != std::string_view::npos) {
    std::string_view rest = text.substr(pos);
    bool closed = true;
    if (rest.starts_with("<!--")) {
      closed = SkipPast(text, pos, "-->");
    } else if (rest.starts_with("<![CDATA[")) {
      closed = SkipPast(text, pos, "]]>");
    } else if (rest.starts_with("<?")) {
      closed = SkipPast(text, pos, "?>");
    } else if (rest.starts_with("<!")) {
      // A document type, whose internal subset may hold '>' between its brackets.
      std::size_t bracket = text.find('[', pos);
      std::size_t end = text.find('>', pos);
      if (bracket != std::string_view::npos && bracket < end) {
        closed = SkipPast(text, pos, "]") && SkipPast(text, pos, ">");
      } else {
        closed = SkipPast(text, pos, ">");
      }
    } else {
      const bool closing = rest.starts_with("</");
      char quote = 0;
      std::size_t end = pos + 1;
      for (; end < text.size(); ++end) {
        if (quote) {
          if (text[end] == quote) quote = 0;
        } else if (text[end] == '"' || text[end] == '\'') {
          quote = text[end];
        } else if (text[end] == '>') {
          break;
        }
      }
      if (end >= text.size()) return std::nullopt;
      const bool empty = text[end - 1] == '/';
      if (closing) {
        --depth;
      } else if (!empty) {
        deepest = std::max(deepest, ++depth);
        if (deepest > limit) return deepest;
      }
      pos = end + 1;
    }
    if (!closed) return std::nullopt;
  }
  return deepest;
}

std::uint64_t ReadBigEndian(const unsigned char* bytes, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value = (value << 8) | bytes[i];
  return value;
}

// Whether a binary list holds few enough arrays, sets and dictionaries for libplist's
// recursive reader; false also when its offset table does not fit in it.
bool BinaryContainersWithinLimit(std::string_view data) {
  constexpr std::size_t kHeader = 8;
  constexpr std::size_t kTrailer = 32;
  if (data.size() < kHeader + kTrailer) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const unsigned char* trailer = bytes + data.size() - kTrailer;
  const std::size_t offsetSize = trailer[6];
  const std::uint64_t objects = ReadBigEndian(trailer + 8, 8);
  const std::uint64_t tableOffset = ReadBigEndian(trailer + 24, 8);
  const std::uint64_t available = data.size() - kTrailer;
  if (offsetSize < 1 || offsetSize > 8 || tableOffset > available ||
      objects > (available - tableOffset) / offsetSize) {
    return false;
  }
  std::uint64_t containers = 0;
  for (std::uint64_t i = 0; i < objects; ++i) {
    const std::uint64_t offset = ReadBigEndian(bytes + tableOffset + i * offsetSize, offsetSize);
    if (offset >= available) return false;
    const unsigned kind = bytes[offset] >> 4;
    if ((kind == 0xA || kind == 0xC || kind == 0xD) && ++containers > kMaxBinaryContainers) {
      return false;
    }
  }
  return true;
}

// Dates, data and uids have no counterpart among our values; they are left out of the
// collection that holds them. Nothing when the node is one of them, or when it or anything in
// it lies too deep, which `tooDeep` tells apart and which rejects the whole list.
std::optional<PropertyList> FromNode(plist_t node, int depth, bool& tooDeep) {
  if (depth > kMaxDepth) tooDeep = true;
  if (!node || tooDeep) return std::nullopt;
  switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
      std::uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      return PropertyList(NSString(text ? text : "", text ? length : 0));
    }
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return PropertyList(NSNumber::numberWithDouble(value));
    }
    case PLIST_UINT: {
      // libplist keeps every integer in 64 unsigned bits and writes them back signed.
      std::uint64_t value = 0;
      plist_get_uint_val(node, &value);
      return PropertyList(NSNumber::numberWithInteger(static_cast<std::int64_t>(value)));
    }
    case PLIST_BOOLEAN: {
      std::uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return PropertyList(NSNumber::numberWithBool(value != 0));
    }
    case PLIST_ARRAY: {
      NSArray array;
      const std::uint32_t count = plist_array_get_size(node);
      for (std::uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(node, i);
        std::optional<PropertyList> value = FromNode(item, depth + 1, tooDeep);
        if (value) {
          array.push_back(std::move(*value));
        } else if (tooDeep) {
          return std::nullopt;
        }
      }
      return PropertyList(std::move(array));
    }
    case PLIST_DICT: {
      NSDictionary dictionary;
      plist_dict_iter iter = nullptr;
      plist_dict_new_iter(node, &iter);
      std::unique_ptr<void, CFree> iterGuard(iter);
      for (;;) {
        char* rawKey = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, iter, &rawKey, &item);
        if (!rawKey) break;
        std::unique_ptr<char, CFree> key(rawKey);
        std::optional<PropertyList> value = FromNode(item, depth + 1, tooDeep);
        if (value) {
          dictionary.setObject(std::move(*value), key.get());
        } else if (tooDeep) {
          return std::nullopt;
        }
      }
      return PropertyList(std::move(dictionary));
    }
    default:
      return std::nullopt;
  }
}

plist_t ToNode(const PropertyList& value) {
  if (const NSString* text = value.string()) return plist_new_string(text->c_str());
  if (const NSNumber* number = value.number()) {
    switch (number->kind()) {
      case NSNumber::Kind::Integer:
        return plist_new_uint(static_cast<std::uint64_t>(number->integerValue()));
      case NSNumber::Kind::Real:
        return plist_new_real(number->doubleValue());
      case NSNumber::Kind::Boolean:
        return plist_new_bool(number->boolValue() ? 1 : 0);
    }
  }
  if (const NSArray* array = value.array()) {
    plist_t node = plist_new_array();
    for (const PropertyList& item : *array) plist_array_append_item(node, ToNode(item));
    return node;
  }
  plist_t node = plist_new_dict();
  for (const auto& [key, item] : *value.dictionary()) {
    plist_dict_set_item(node, key.c_str(), ToNode(item));
  }
  return node;
}

}  // namespace

std::optional<PropertyList> NSPropertyListFromXML(std::string_view text) {
  if (text.empty() || text.size() > std::numeric_limits<std::uint32_t>::max()) {
    return std::nullopt;
  }
  if (plist_is_binary(text.data(), static_cast<std::uint32_t>(text.size()))) {
    if (!BinaryContainersWithinLimit(text)) return std::nullopt;
  } else {
    // The <plist> element around the root value is one more level.
    std::optional<int> depth = XMLElementDepth(text, kMaxDepth + 2);
    if (!depth || *depth > kMaxDepth + 2) return std::nullopt;
  }
  plist_t raw = nullptr;
  plist_from_memory(text.data(), static_cast<std::uint32_t>(text.size()), &raw);
  PlistPtr root(raw);
  if (!root) return std::nullopt;
  bool tooDeep = false;
  return FromNode(root.get(), 0, tooDeep);
}

std::string NSPropertyListToXML(const PropertyList& value) {
  PlistPtr root(ToNode(value));
  char* raw = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(root.get(), &raw, &length);
  std::unique_ptr<char, CFree> xml(raw);
  return xml ? std::string(xml.get(), length) : std::string();
}
