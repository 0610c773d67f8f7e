// A bundle: a folder with an Info dictionary, resources and the program or plug-in.
#pragma once

#include <Foundation/NSPropertyList.h>

#include <map>
#include <memory>
#include <optional>
#include <typeinfo>

class NSBundle {
 public:
  NSBundle(NSString bundlePath, NSDictionary infoDictionary,
           std::map<NSString, NSDictionary> propertyListResources = {})
      : bundlePath_(std::move(bundlePath)),
        infoDictionary_(std::move(infoDictionary)),
        resources_(std::move(propertyListResources)) {}
  // A copy is a bundle of its own: classes loaded from the original stay the original's.
  NSBundle(const NSBundle& other)
      : bundlePath_(other.bundlePath_),
        infoDictionary_(other.infoDictionary_),
        resources_(other.resources_) {}
  NSBundle& operator=(const NSBundle& other) {
    bundlePath_ = other.bundlePath_;
    infoDictionary_ = other.infoDictionary_;
    resources_ = other.resources_;
    return *this;
  }
  ~NSBundle();

  // The bundle of the running program.
  static NSBundle* mainBundle();
  // A bundle read from a folder: "Contents/Info.plist", and every property list and string table
  // (".plist", ".strings" in the XML property-list format) in "Contents/Resources", by name
  // without its extension. Nothing when the folder holds no readable Info dictionary.
  static std::unique_ptr<NSBundle> bundleWithPath(const NSString& path);

  // The bundle whose code holds the class: the one a host named when it loaded the class, or
  // the main bundle for the program's own classes.
  static NSBundle* bundleForClass(const std::type_info& type);
  // For hosts that load plug-ins: the class's code came from `bundle`, for as long as it lives.
  static void addLoadedClass(const std::type_info& type, NSBundle* bundle);

  const NSString& bundlePath() const { return bundlePath_; }
  NSString resourcePath() const { return bundlePath_ + "/Contents/Resources"; }
  const NSDictionary& infoDictionary() const { return infoDictionary_; }
  const PropertyList* objectForInfoDictionaryKey(const NSString& key) const {
    return infoDictionary_.objectForKey(key);
  }
  // A property list in the resources folder, by name without its extension.
  const NSDictionary* propertyListResource(const NSString& name) const {
    auto found = resources_.find(name);
    return found == resources_.end() ? nullptr : &found->second;
  }
  // The text under `key` in the string table `table` ("Localizable" when empty); `value` when
  // the table or the key is missing or holds no string.
  NSString localizedStringForKey(const NSString& key, const NSString& value,
                                 const NSString& table) const;

 private:
  NSString bundlePath_;
  NSDictionary infoDictionary_;
  std::map<NSString, NSDictionary> resources_;
};
