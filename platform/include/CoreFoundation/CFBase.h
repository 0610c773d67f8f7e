// Core types, reference counting and strings.
//
// Objects handed out by a Create or Copy call belong to the caller, who releases each exactly
// once with CFRelease. References are untyped pointers, as the rest of the seam expects.
#pragma once

#include <cstdint>
#include <string_view>

using Boolean = unsigned char;
using UInt8 = std::uint8_t;
using UInt16 = std::uint16_t;
using UInt32 = std::uint32_t;
using SInt16 = std::int16_t;
using SInt32 = std::int32_t;
using CFIndex = long;
using CFTypeID = unsigned long;
using CFOptionFlags = unsigned long;
using CFTimeInterval = double;
using CFAbsoluteTime = double;

using CFTypeRef = const void*;
using CFAllocatorRef = const struct CFAllocatorObject*;
using CFStringRef = const struct CFStringObject*;

inline constexpr CFAllocatorRef kCFAllocatorDefault = nullptr;

// Adds a reference. Returns its argument.
CFTypeRef CFRetain(CFTypeRef cf);
// Drops one reference; the object goes when the last one does. Constant strings ignore it.
void CFRelease(CFTypeRef cf);
CFTypeID CFGetTypeID(CFTypeRef cf);

CFTypeID CFStringGetTypeID();
// A constant string for the life of the process; CFRetain and CFRelease do nothing to it.
CFStringRef CFSTR(std::string_view text);
// The characters of a string. Valid while the string lives.
std::string_view CFStringGetView(CFStringRef string);
