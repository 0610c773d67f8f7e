#pragma once

// Reads the desktop's XSettings (the settings manager's _XSETTINGS_SETTINGS property) for the
// double-click interval, in ticks of 1/60 s as the daemon counts it.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>

struct _XDisplay;

namespace tandrel::desktop {

struct XSettingColor {
  std::uint16_t red = 0;
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
  std::uint16_t alpha = 0;
  bool operator==(const XSettingColor&) const = default;
};

using XSettingValue = std::variant<std::int32_t, std::string, XSettingColor>;

struct XSettings {
  std::uint32_t serial = 0;
  std::map<std::string, XSettingValue> values;
};

// Parses the property's bytes. nullopt for anything malformed: unknown byte order or type, a
// length that runs past the end. Never reads outside `bytes`.
std::optional<XSettings> parseXSettings(std::span<const std::uint8_t> bytes);

// What GTK uses when no settings manager runs.
inline constexpr std::chrono::milliseconds kFallbackDoubleClickTime{400};

// Rounded to the nearest tick of 1/60 s.
std::uint32_t millisecondsToTicks(std::chrono::milliseconds ms);

class XSettingsReader {
 public:
  // Opens a connection of its own; nullptr if the display cannot be opened.
  static std::unique_ptr<XSettingsReader> open(const std::string& display_name);
  ~XSettingsReader();
  XSettingsReader(const XSettingsReader&) = delete;
  XSettingsReader& operator=(const XSettingsReader&) = delete;

  // The settings of the manager of the default screen, read now; nullopt when no manager owns
  // the selection or its property is unreadable.
  std::optional<XSettings> read();

  // Net/DoubleClickTime when a manager serves a positive one, else nullopt.
  std::optional<std::chrono::milliseconds> managedDoubleClickTime();
  // The same, falling back to kFallbackDoubleClickTime.
  std::chrono::milliseconds doubleClickTime();
  std::uint32_t doubleClickTicks();

 private:
  struct Impl;
  explicit XSettingsReader(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tandrel::desktop
