#include <Foundation/NSString.h>

NSComparisonResult NSStringCompare(CFStringRef string, CFStringRef other) {
  int order = CFStringGetView(string).compare(CFStringGetView(other));
  if (order < 0) return NSOrderedAscending;
  return order == 0 ? NSOrderedSame : NSOrderedDescending;
}

NSString NSStringByAppendingPathComponent(const NSString& path, const NSString& component) {
  if (path.empty()) return component;
  NSString joined = path;
  while (joined.size() > 1 && joined.back() == '/') joined.pop_back();
  std::size_t start = component.find_first_not_of('/');
  if (start == NSString::npos) return joined;
  if (joined.back() != '/') joined += '/';
  return joined + component.substr(start);
}

NSString NSStringByExpandingTildeInPath(const NSString& path) {
  if (path.empty() || path[0] != '~') return path;
  std::size_t slash = path.find('/');
  NSString user = path.substr(1, slash == NSString::npos ? NSString::npos : slash - 1);
  NSString home = user.empty() ? NSHomeDirectory() : NSHomeDirectoryForUser(user);
  if (home.empty()) return path;
  return slash == NSString::npos ? home
                                 : NSStringByAppendingPathComponent(home, path.substr(slash));
}
