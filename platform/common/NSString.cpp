#include <Foundation/NSString.h>

NSComparisonResult NSStringCompare(CFStringRef string, CFStringRef other) {
  int order = CFStringGetView(string).compare(CFStringGetView(other));
  if (order < 0) return NSOrderedAscending;
  return order == 0 ? NSOrderedSame : NSOrderedDescending;
}
