#include <Foundation/NSBundle.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <typeindex>

namespace {

std::map<std::type_index, NSBundle*>& LoadedClasses() {
  static std::map<std::type_index, NSBundle*> classes;
  return classes;
}

std::optional<NSDictionary> ReadDictionary(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  std::optional<PropertyList> list = NSPropertyListFromXML(text.str());
  if (!list || list->dictionary() == nullptr) return std::nullopt;
  return *list->dictionary();
}

}  // namespace

NSBundle::~NSBundle() {
  std::erase_if(LoadedClasses(), [this](const auto& entry) { return entry.second == this; });
}

std::unique_ptr<NSBundle> NSBundle::bundleWithPath(const NSString& path) {
  std::filesystem::path contents = std::filesystem::path(path) / "Contents";
  std::optional<NSDictionary> info = ReadDictionary(contents / "Info.plist");
  if (!info) return nullptr;
  std::map<NSString, NSDictionary> resources;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(contents / "Resources", error)) {
    std::string extension = entry.path().extension().string();
    if (extension != ".plist" && extension != ".strings") continue;
    if (std::optional<NSDictionary> resource = ReadDictionary(entry.path())) {
      resources.emplace(entry.path().stem().string(), std::move(*resource));
    }
  }
  return std::make_unique<NSBundle>(path, std::move(*info), std::move(resources));
}

NSBundle* NSBundle::bundleForClass(const std::type_info& type) {
  auto found = LoadedClasses().find(type);
  return found == LoadedClasses().end() ? mainBundle() : found->second;
}

void NSBundle::addLoadedClass(const std::type_info& type, NSBundle* bundle) {
  LoadedClasses()[type] = bundle;
}

NSString NSBundle::localizedStringForKey(const NSString& key, const NSString& value,
                                         const NSString& table) const {
  const NSDictionary* strings = propertyListResource(table.empty() ? "Localizable" : table);
  const PropertyList* text = strings ? strings->objectForKey(key) : nullptr;
  return text && text->string() ? *text->string() : value;
}
