// Strings and their comparison.
#pragma once

#include <CoreFoundation/CFBase.h>

#include <string>

using NSString = std::string;

enum NSComparisonResult { NSOrderedAscending = -1, NSOrderedSame = 0, NSOrderedDescending = 1 };

// [string compare:other]: a literal, case-sensitive comparison of the characters.
NSComparisonResult NSStringCompare(CFStringRef string, CFStringRef other);
