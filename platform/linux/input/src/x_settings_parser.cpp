#include <cstring>

#include "tandrel/desktop/x_settings_reader.h"

namespace tandrel::desktop {

namespace {

// A bounds-checked reader over the property bytes, in the byte order the manager declared.
class Cursor {
 public:
  Cursor(std::span<const std::uint8_t> bytes, bool big_endian)
      : bytes_(bytes), big_endian_(big_endian) {}

  bool skip(std::size_t n) {
    if (n > remaining()) return false;
    pos_ += n;
    return true;
  }
  bool u8(std::uint8_t* out) {
    if (remaining() < 1) return false;
    *out = bytes_[pos_++];
    return true;
  }
  bool u16(std::uint16_t* out) {
    if (remaining() < 2) return false;
    const std::uint8_t a = bytes_[pos_], b = bytes_[pos_ + 1];
    *out = big_endian_ ? static_cast<std::uint16_t>(a << 8 | b)
                       : static_cast<std::uint16_t>(b << 8 | a);
    pos_ += 2;
    return true;
  }
  bool u32(std::uint32_t* out) {
    if (remaining() < 4) return false;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const std::uint32_t byte = bytes_[pos_ + (big_endian_ ? i : 3 - i)];
      v = v << 8 | byte;
    }
    *out = v;
    pos_ += 4;
    return true;
  }
  // A string of n bytes, then the padding to a multiple of 4.
  bool paddedString(std::size_t n, std::string* out) {
    const std::size_t padded = n + ((4 - n % 4) % 4);
    if (n > remaining() || padded > remaining()) return false;
    out->assign(reinterpret_cast<const char*>(bytes_.data() + pos_), n);
    pos_ += padded;
    return true;
  }
  std::size_t remaining() const { return bytes_.size() - pos_; }

 private:
  std::span<const std::uint8_t> bytes_;
  bool big_endian_;
  std::size_t pos_ = 0;
};

enum : std::uint8_t { kInteger = 0, kString = 1, kColor = 2 };
enum : std::uint8_t { kLSBFirst = 0, kMSBFirst = 1 };

// The smallest entry: type, pad, name length, serial, a 4-byte value.
constexpr std::size_t kMinEntrySize = 12;

}  // namespace

std::optional<XSettings> parseXSettings(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return std::nullopt;
  const std::uint8_t order = bytes[0];
  if (order != kLSBFirst && order != kMSBFirst) return std::nullopt;
  Cursor in(bytes, order == kMSBFirst);
  XSettings settings;
  std::uint32_t count = 0;
  if (!in.skip(4) || !in.u32(&settings.serial) || !in.u32(&count)) return std::nullopt;
  // A count the bytes cannot hold is a lie, whatever the entries would say.
  if (count > in.remaining() / kMinEntrySize) return std::nullopt;

  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t type = 0;
    std::uint16_t name_length = 0;
    std::uint32_t last_change = 0;
    std::string name;
    if (!in.u8(&type) || !in.skip(1) || !in.u16(&name_length) ||
        !in.paddedString(name_length, &name) || !in.u32(&last_change)) {
      return std::nullopt;
    }
    XSettingValue value;
    switch (type) {
      case kInteger: {
        std::uint32_t raw = 0;
        if (!in.u32(&raw)) return std::nullopt;
        value = static_cast<std::int32_t>(raw);
        break;
      }
      case kString: {
        std::uint32_t length = 0;
        std::string text;
        if (!in.u32(&length) || !in.paddedString(length, &text)) return std::nullopt;
        value = std::move(text);
        break;
      }
      case kColor: {
        // Wire order is red, blue, green, alpha.
        XSettingColor color;
        if (!in.u16(&color.red) || !in.u16(&color.blue) || !in.u16(&color.green) ||
            !in.u16(&color.alpha)) {
          return std::nullopt;
        }
        value = color;
        break;
      }
      default:
        return std::nullopt;
    }
    settings.values.insert_or_assign(std::move(name), std::move(value));
  }
  return settings;
}

std::uint32_t millisecondsToTicks(std::chrono::milliseconds ms) {
  if (ms.count() <= 0) return 0;
  return static_cast<std::uint32_t>((ms.count() * 60 + 500) / 1000);
}

}  // namespace tandrel::desktop
