// A reader of XML property lists: the elements a bundle's Info dictionary and string tables use.
#include <Foundation/NSPropertyList.h>

#include <cctype>
#include <charconv>

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<PropertyList> document() {
    skipMarkup();
    std::optional<NSString> tag = openTag();
    if (!tag) return std::nullopt;
    if (*tag == "plist") {
      std::optional<PropertyList> value = this->value();
      if (!value || !closeTag("plist")) return std::nullopt;
      return value;
    }
    pos_ = 0;
    skipMarkup();
    return value();
  }

 private:
  // Declarations, comments and white space between elements.
  void skipMarkup() {
    for (;;) {
      while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      if (text_.substr(pos_, 4) == "<!--") {
        std::size_t end = text_.find("-->", pos_);
        pos_ = end == std::string_view::npos ? text_.size() : end + 3;
      } else if (text_.substr(pos_, 2) == "<?" || text_.substr(pos_, 2) == "<!") {
        std::size_t end = text_.find('>', pos_);
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
      } else {
        return;
      }
    }
  }

  // "<name attributes>" or "<name/>"; the name, with empty_ telling which.
  std::optional<NSString> openTag() {
    skipMarkup();
    if (pos_ >= text_.size() || text_[pos_] != '<' || text_.substr(pos_, 2) == "</") {
      return std::nullopt;
    }
    std::size_t end = text_.find('>', pos_);
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view inside = text_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    empty_ = !inside.empty() && inside.back() == '/';
    if (empty_) inside.remove_suffix(1);
    std::size_t nameEnd = inside.find_first_of(" \t\r\n");
    return NSString(inside.substr(0, nameEnd));
  }

  bool closeTag(std::string_view name) {
    skipMarkup();
    std::string expected = "</" + std::string(name) + ">";
    if (text_.substr(pos_, expected.size()) != expected) return false;
    pos_ += expected.size();
    return true;
  }

  // Character data up to the closing tag, with the five entities and character references.
  std::optional<NSString> content(std::string_view name) {
    if (empty_) return NSString();
    std::size_t end = text_.find('<', pos_);
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view raw = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (!closeTag(name)) return std::nullopt;
    NSString out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&') {
        out += raw[i];
        continue;
      }
      std::size_t semi = raw.find(';', i);
      if (semi == std::string_view::npos) return std::nullopt;
      std::string_view entity = raw.substr(i + 1, semi - i - 1);
      if (entity == "amp")
        out += '&';
      else if (entity == "lt")
        out += '<';
      else if (entity == "gt")
        out += '>';
      else if (entity == "quot")
        out += '"';
      else if (entity == "apos")
        out += '\'';
      else if (!entity.empty() && entity[0] == '#' && !appendCodePoint(entity.substr(1), out))
        return std::nullopt;
      else if (entity.empty() || entity[0] != '#')
        return std::nullopt;
      i = semi;
    }
    return out;
  }

  static bool appendCodePoint(std::string_view digits, NSString& out) {
    int base = 10;
    if (!digits.empty() && (digits[0] == 'x' || digits[0] == 'X')) {
      base = 16;
      digits.remove_prefix(1);
    }
    unsigned long code = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, base);
    if (error != std::errc() || end != digits.data() + digits.size() || code > 0x10FFFF) {
      return false;
    }
    // UTF-8
    if (code < 0x80) {
      out += char(code);
    } else if (code < 0x800) {
      out += char(0xC0 | (code >> 6));
      out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += char(0xE0 | (code >> 12));
      out += char(0x80 | ((code >> 6) & 0x3F));
      out += char(0x80 | (code & 0x3F));
    } else {
      out += char(0xF0 | (code >> 18));
      out += char(0x80 | ((code >> 12) & 0x3F));
      out += char(0x80 | ((code >> 6) & 0x3F));
      out += char(0x80 | (code & 0x3F));
    }
    return true;
  }

  std::optional<PropertyList> value() {
    std::optional<NSString> tag = openTag();
    if (!tag) return std::nullopt;
    if (*tag == "true" || *tag == "false") {
      if (!empty_ && !closeTag(*tag)) return std::nullopt;
      return PropertyList(NSNumber::numberWithBool(*tag == "true"));
    }
    if (*tag == "dict") return dictionary();
    if (*tag == "array") return array();
    std::optional<NSString> text = content(*tag);
    if (!text) return std::nullopt;
    if (*tag == "string" || *tag == "date" || *tag == "data") return PropertyList(*text);
    if (*tag == "integer") {
      long long number = 0;
      auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), number);
      if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
      return PropertyList(NSNumber::numberWithInteger(number));
    }
    if (*tag == "real") {
      double number = 0;
      auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), number);
      if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
      return PropertyList(NSNumber::numberWithDouble(number));
    }
    return std::nullopt;
  }

  std::optional<PropertyList> dictionary() {
    NSDictionary dictionary;
    if (empty_) return PropertyList(std::move(dictionary));
    for (;;) {
      skipMarkup();
      if (closeTag("dict")) return PropertyList(std::move(dictionary));
      std::optional<NSString> tag = openTag();
      if (!tag || *tag != "key") return std::nullopt;
      std::optional<NSString> key = content("key");
      if (!key) return std::nullopt;
      std::optional<PropertyList> value = this->value();
      if (!value) return std::nullopt;
      dictionary.setObject(std::move(*value), *key);
    }
  }

  std::optional<PropertyList> array() {
    NSArray array;
    if (empty_) return PropertyList(std::move(array));
    for (;;) {
      skipMarkup();
      if (closeTag("array")) return PropertyList(std::move(array));
      std::optional<PropertyList> value = this->value();
      if (!value) return std::nullopt;
      array.push_back(std::move(*value));
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  bool empty_ = false;
};

}  // namespace

std::optional<PropertyList> NSPropertyListFromXML(std::string_view text) {
  return Reader(text).document();
}
