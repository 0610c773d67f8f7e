#include <Foundation/NSURL.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

// The characters a URL may hold as they are (RFC 3986), and "%" for escapes.
bool IsURLCharacter(unsigned char c) {
  return std::isalnum(c) ||
         std::string_view("-._~:/?#[]@!$&'()*+,;=%").find(char(c)) != std::string_view::npos;
}

}  // namespace

std::optional<NSURL> NSURL::URLWithString(const NSString& text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) {
        return IsURLCharacter(static_cast<unsigned char>(c));
      })) {
    return std::nullopt;
  }
  bool isFile = text.rfind("file://", 0) == 0;
  return NSURL(text, isFile, isFile ? text.substr(7) : NSString());
}

NSURL NSURL::fileURLWithPath(const NSString& path) {
  return NSURL("file://" + path, true, path);
}
