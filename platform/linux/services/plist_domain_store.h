// Preference domains kept as one XML property list per domain in the user's config folder.
//
// Writers replace a file atomically (temporary file in the same folder, fsync, rename,
// fsync of the folder) while holding an flock on the domain's lock file, so a reader
// sees either the old or the new file and never a partial one. Readers take no lock
// and never write.
#pragma once

#include <Foundation/NSPropertyList.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tandrel::desktop {

class PlistDomainStore {
 public:
  // Exclusive hold on one domain across a read-modify-write. Moves, never copies;
  // the lock is released when the guard is destroyed.
  class Lock {
   public:
    Lock() = default;
    Lock(Lock&& other) noexcept;
    Lock& operator=(Lock&& other) noexcept;
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    ~Lock();

    bool held() const { return fd_ >= 0; }
    explicit operator bool() const { return held(); }
    const std::string& domain() const { return domain_; }
    // Why the lock could not be taken; empty when held.
    const std::string& error() const { return error_; }

   private:
    friend class PlistDomainStore;
    int fd_ = -1;
    std::string domain_;
    std::string folder_;
    std::string error_;
  };

  struct ReadResult {
    // Empty when the domain is missing or unreadable.
    std::optional<NSDictionary> domain;
    // Why there is no domain, ready for a log line; empty on success.
    std::string error;
  };

  // Domains live directly in `folder`, which is created on the first write.
  explicit PlistDomainStore(std::filesystem::path folder);

  // $XDG_CONFIG_HOME/tandrel/preferences, or ~/.config/tandrel/preferences when unset.
  static std::filesystem::path defaultFolder();

  const std::filesystem::path& folder() const { return folder_; }
  // Empty when the name could not be a file name (empty, '/', leading '.', NUL).
  std::optional<std::filesystem::path> pathFor(std::string_view domain) const;

  ReadResult read(std::string_view domain) const;

  // Takes the domain's lock for the duration of the write. Returns an empty string on
  // success, otherwise the reason.
  std::string write(std::string_view domain, const NSDictionary& contents) const;
  // For a caller that already holds `held` (from lock()) for this store.
  std::string write(const Lock& held, const NSDictionary& contents) const;

  // Deletes the domain's file under its lock; a missing file is not an error.
  std::string remove(std::string_view domain) const;

  // Blocks until the exclusive lock on `domain` is held; check Lock::held().
  Lock lock(std::string_view domain) const;

 private:
  std::string writeLocked(std::string_view domain, const NSDictionary& contents) const;

  std::filesystem::path folder_;
};

}  // namespace tandrel::desktop
