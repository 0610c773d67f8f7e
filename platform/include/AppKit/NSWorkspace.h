// The desktop's shell: opening addresses and files with their default applications.
#pragma once

#include <Foundation/NSObject.h>
#include <Foundation/NSURL.h>

class NSWorkspace : public NSObject {
 public:
  static NSWorkspace* sharedWorkspace();

  // Opens the address with the default application for it. False when nothing could open it.
  virtual bool openURL(const NSURL& url) = 0;
  // Opens the file with its default application. False when nothing could open it.
  virtual bool openFile(const NSString& path) = 0;
};
