// Addresses of web pages and files.
#pragma once

#include <Foundation/NSString.h>

#include <optional>

class NSURL {
 public:
  // A URL of the text, or nothing when the text is not a well-formed URL (empty, or with spaces
  // or other characters that a URL cannot hold).
  static std::optional<NSURL> URLWithString(const NSString& text);
  // A file URL of an absolute path, as it is.
  static NSURL fileURLWithPath(const NSString& path);

  const NSString& absoluteString() const { return text_; }
  bool isFileURL() const { return isFile_; }
  // The path of a file URL; empty for other URLs.
  const NSString& path() const { return path_; }

  friend bool operator==(const NSURL&, const NSURL&) = default;

 private:
  NSURL(NSString text, bool isFile, NSString path)
      : text_(std::move(text)), isFile_(isFile), path_(std::move(path)) {}
  NSString text_;
  bool isFile_;
  NSString path_;
};
