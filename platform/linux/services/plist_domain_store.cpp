#include "plist_domain_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

namespace tandrel::desktop {

namespace {

// A preference file this large is not ours; refuse it rather than allocate for it.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

std::string errnoText(const std::string& what, const std::string& path, int err) {
  return what + " " + path + ": " + std::strerror(err);
}

bool validDomainName(std::string_view domain) {
  if (domain.empty() || domain.front() == '.') return false;
  for (char c : domain) {
    if (c == '/' || c == '\0') return false;
  }
  return true;
}

const char* typeName(const PropertyList& value) {
  if (value.string()) return "a string";
  if (value.array()) return "an array";
  if (value.dictionary()) return "a dictionary";
  switch (value.number()->kind()) {
    case NSNumber::Kind::Integer:
      return "an integer";
    case NSNumber::Kind::Real:
      return "a real";
    case NSNumber::Kind::Boolean:
      return "a boolean";
  }
  return "a number";
}

bool writeAll(int fd, const char* data, size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

std::string lockPath(const std::filesystem::path& folder, std::string_view domain) {
  return (folder / ("." + std::string(domain) + ".lock")).string();
}

}  // namespace

PlistDomainStore::Lock::Lock(Lock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      domain_(std::move(other.domain_)),
      folder_(std::move(other.folder_)),
      error_(std::move(other.error_)) {}

PlistDomainStore::Lock& PlistDomainStore::Lock::operator=(Lock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);  // Closing the descriptor drops the flock.
    fd_ = std::exchange(other.fd_, -1);
    domain_ = std::move(other.domain_);
    folder_ = std::move(other.folder_);
    error_ = std::move(other.error_);
  }
  return *this;
}

PlistDomainStore::Lock::~Lock() {
  if (fd_ >= 0) ::close(fd_);
}

PlistDomainStore::PlistDomainStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path PlistDomainStore::defaultFolder() {
  std::filesystem::path base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // The XDG rules say a relative value is to be ignored.
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home && home[0] ? home : "/") / ".config";
  }
  return base / "tandrel" / "preferences";
}

std::optional<std::filesystem::path> PlistDomainStore::pathFor(std::string_view domain) const {
  if (!validDomainName(domain)) return std::nullopt;
  return folder_ / (std::string(domain) + ".plist");
}

PlistDomainStore::ReadResult PlistDomainStore::read(std::string_view domain) const {
  const auto path = pathFor(domain);
  if (!path) return {std::nullopt, "invalid domain name \"" + std::string(domain) + "\""};
  const std::string file = path->string();

  Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) return {std::nullopt, "no file " + file};
    return {std::nullopt, errnoText("cannot open", file, errno)};
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return {std::nullopt, errnoText("cannot stat", file, errno)};
  if (!S_ISREG(st.st_mode)) return {std::nullopt, file + " is not a regular file"};
  if (st.st_size == 0) return {std::nullopt, file + " is empty"};
  if (st.st_size > kMaxFileSize) return {std::nullopt, file + " is too large"};

  std::vector<char> bytes(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {std::nullopt, errnoText("cannot read", file, errno)};
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);

  // Accepts binary lists as well, so a file converted with plistutil still reads.
  std::optional<PropertyList> value =
      NSPropertyListFromXML(std::string_view(bytes.data(), bytes.size()));
  if (!value) return {std::nullopt, file + " is not a property list"};
  const NSDictionary* contents = value->dictionary();
  if (!contents) return {std::nullopt, file + " holds " + typeName(*value) + ", not a dictionary"};
  return {*contents, {}};
}

PlistDomainStore::Lock PlistDomainStore::lock(std::string_view domain) const {
  Lock guard;
  guard.domain_ = std::string(domain);
  guard.folder_ = folder_.string();
  if (!validDomainName(domain)) {
    guard.error_ = "invalid domain name \"" + std::string(domain) + "\"";
    return guard;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  if (ec) {
    guard.error_ = "cannot create " + folder_.string() + ": " + ec.message();
    return guard;
  }
  const std::string path = lockPath(folder_, domain);
  Fd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (fd.get() < 0) {
    guard.error_ = errnoText("cannot open", path, errno);
    return guard;
  }
  int rc;
  do {
    rc = ::flock(fd.get(), LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    guard.error_ = errnoText("cannot lock", path, errno);
    return guard;
  }
  guard.fd_ = fd.release();
  return guard;
}

std::string PlistDomainStore::write(std::string_view domain, const NSDictionary& contents) const {
  Lock held = lock(domain);
  if (!held) return held.error();
  return writeLocked(domain, contents);
}

std::string PlistDomainStore::write(const Lock& held, const NSDictionary& contents) const {
  if (!held) return "lock not held for \"" + held.domain() + "\"";
  if (held.folder_ != folder_.string()) return "lock belongs to another store";
  return writeLocked(held.domain(), contents);
}

std::string PlistDomainStore::writeLocked(std::string_view domain,
                                          const NSDictionary& contents) const {
  const auto path = pathFor(domain);
  if (!path) return "invalid domain name \"" + std::string(domain) + "\"";

  const std::string xml = NSPropertyListToXML(contents);
  if (xml.empty()) return "cannot serialise domain \"" + std::string(domain) + "\"";

  std::string tempName = (folder_ / ("." + std::string(domain) + ".plist.XXXXXX")).string();
  Fd fd(::mkstemp(tempName.data()));
  if (fd.get() < 0) return errnoText("cannot create temporary file in", folder_.string(), errno);
  ::fcntl(fd.get(), F_SETFD, FD_CLOEXEC);

  // Until the rename succeeds the temporary file is ours to delete.
  struct Unlinker {
    std::string* name;
    ~Unlinker() {
      if (name) ::unlink(name->c_str());
    }
  } unlinker{&tempName};

  if (!writeAll(fd.get(), xml.data(), xml.size()))
    return errnoText("cannot write", tempName, errno);
  if (::fsync(fd.get()) != 0) return errnoText("cannot sync", tempName, errno);
  if (::close(fd.release()) != 0) return errnoText("cannot close", tempName, errno);
  const std::string target = path->string();
  if (::rename(tempName.c_str(), target.c_str()) != 0) {
    return errnoText("cannot replace", target, errno);
  }
  unlinker.name = nullptr;

  // Without syncing the folder a crash could lose the rename itself.
  Fd dir(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0 || ::fsync(dir.get()) != 0) {
    return errnoText("cannot sync folder", folder_.string(), errno);
  }
  return {};
}

std::string PlistDomainStore::remove(std::string_view domain) const {
  const auto path = pathFor(domain);
  if (!path) return "invalid domain name \"" + std::string(domain) + "\"";
  Lock held = lock(domain);
  if (!held) return held.error();
  if (::unlink(path->c_str()) != 0 && errno != ENOENT) {
    return errnoText("cannot remove", path->string(), errno);
  }
  return {};
}

}  // namespace tandrel::desktop
