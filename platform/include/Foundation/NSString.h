// Strings and their comparison.
#pragma once

#include <CoreFoundation/CFBase.h>

#include <string>

using NSString = std::string;

enum NSComparisonResult { NSOrderedAscending = -1, NSOrderedSame = 0, NSOrderedDescending = 1 };

// [string compare:other]: a literal, case-sensitive comparison of the characters.
NSComparisonResult NSStringCompare(CFStringRef string, CFStringRef other);

// [string stringByAppendingPathComponent:component]: joined with exactly one slash between.
NSString NSStringByAppendingPathComponent(const NSString& path, const NSString& component);
// [string stringByExpandingTildeInPath]: a leading "~" or "~user" becomes that home folder; any
// other path, or a user that does not exist, comes back unchanged.
NSString NSStringByExpandingTildeInPath(const NSString& path);

// The user's home folder, and another user's (empty when there is no such user).
NSString NSHomeDirectory();
NSString NSHomeDirectoryForUser(const NSString& userName);
