// A bundle: a folder with an Info dictionary, resources and the program or plug-in.
#pragma once

#include <Foundation/NSPropertyList.h>

#include <map>
#include <optional>

class NSBundle {
 public:
  NSBundle(NSString bundlePath, NSDictionary infoDictionary,
           std::map<NSString, NSDictionary> propertyListResources = {})
      : bundlePath_(std::move(bundlePath)),
        infoDictionary_(std::move(infoDictionary)),
        resources_(std::move(propertyListResources)) {}

  // The bundle of the running program.
  static NSBundle* mainBundle();

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

 private:
  NSString bundlePath_;
  NSDictionary infoDictionary_;
  std::map<NSString, NSDictionary> resources_;
};
