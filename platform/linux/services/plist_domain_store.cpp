#include "plist_domain_store.h"

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

namespace tandrel::desktop {

namespace {

// A preference file this large is not ours; refuse it rather than allocate for it.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;
// libplist recurses per level; a hostile file must not exhaust the stack.
constexpr int kMaxDepth = 64;

struct PlistFree {
  void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

struct CFree {
  void operator()(void* p) const { std::free(p); }
};

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

const char* typeName(plist_type type) {
  switch (type) {
    case PLIST_BOOLEAN:
      return "a boolean";
    case PLIST_UINT:
      return "an integer";
    case PLIST_REAL:
      return "a real";
    case PLIST_STRING:
      return "a string";
    case PLIST_ARRAY:
      return "an array";
    case PLIST_DICT:
      return "a dictionary";
    case PLIST_DATE:
      return "a date";
    case PLIST_DATA:
      return "data";
    case PLIST_KEY:
      return "a key";
    case PLIST_UID:
      return "a uid";
    default:
      return "nothing";
  }
}

// Dates, data and uids have no place in a preference domain here; they are skipped.
std::optional<PlistValue> fromNode(plist_t node, int depth) {
  if (!node || depth > kMaxDepth) return std::nullopt;
  switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
      uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      return PlistValue(std::string(text ? text : "", text ? length : 0));
    }
    case PLIST_REAL: {
      double v = 0;
      plist_get_real_val(node, &v);
      return PlistValue(v);
    }
    case PLIST_UINT: {
      // libplist keeps every integer in 64 unsigned bits and writes them back signed.
      uint64_t v = 0;
      plist_get_uint_val(node, &v);
      return PlistValue(static_cast<std::int64_t>(v));
    }
    case PLIST_BOOLEAN: {
      uint8_t v = 0;
      plist_get_bool_val(node, &v);
      return PlistValue(v != 0);
    }
    case PLIST_ARRAY: {
      PlistArray array;
      const uint32_t count = plist_array_get_size(node);
      for (uint32_t i = 0; i < count; ++i) {
        if (auto item = fromNode(plist_array_get_item(node, i), depth + 1)) {
          array.push_back(std::move(*item));
        }
      }
      return PlistValue(std::move(array));
    }
    case PLIST_DICT: {
      PlistDictionary dict;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      std::unique_ptr<void, CFree> iterGuard(it);
      for (;;) {
        char* rawKey = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, it, &rawKey, &item);
        if (!rawKey) break;
        std::unique_ptr<char, CFree> key(rawKey);
        if (auto value = fromNode(item, depth + 1)) dict.set(key.get(), std::move(*value));
      }
      return PlistValue(std::move(dict));
    }
    default:
      return std::nullopt;
  }
}

plist_t toNode(const PlistValue& value) {
  struct Visitor {
    plist_t operator()(const std::string& v) const { return plist_new_string(v.c_str()); }
    plist_t operator()(double v) const { return plist_new_real(v); }
    plist_t operator()(std::int64_t v) const { return plist_new_uint(static_cast<uint64_t>(v)); }
    plist_t operator()(bool v) const { return plist_new_bool(v ? 1 : 0); }
    plist_t operator()(const PlistArray& v) const {
      plist_t array = plist_new_array();
      for (const auto& item : v) plist_array_append_item(array, toNode(item));
      return array;
    }
    plist_t operator()(const PlistDictionary& v) const {
      plist_t dict = plist_new_dict();
      for (const auto& [key, item] : v) plist_dict_set_item(dict, key.c_str(), toNode(item));
      return dict;
    }
  };
  return std::visit(Visitor{}, value.storage());
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

  plist_t raw = nullptr;
  // Accepts binary lists as well, so a file converted with plistutil still reads.
  plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &raw);
  PlistPtr root(raw);
  if (!root) return {std::nullopt, file + " is not a property list"};
  const plist_type type = plist_get_node_type(root.get());
  if (type != PLIST_DICT) {
    return {std::nullopt, file + " holds " + typeName(type) + ", not a dictionary"};
  }
  auto value = fromNode(root.get(), 0);
  if (!value || !value->isDictionary()) return {std::nullopt, file + " is not a property list"};
  return {std::move(*value->asDictionary()), {}};
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

std::string PlistDomainStore::write(std::string_view domain,
                                    const PlistDictionary& contents) const {
  Lock held = lock(domain);
  if (!held) return held.error();
  return writeLocked(domain, contents);
}

std::string PlistDomainStore::write(const Lock& held, const PlistDictionary& contents) const {
  if (!held) return "lock not held for \"" + held.domain() + "\"";
  if (held.folder_ != folder_.string()) return "lock belongs to another store";
  return writeLocked(held.domain(), contents);
}

std::string PlistDomainStore::writeLocked(std::string_view domain,
                                          const PlistDictionary& contents) const {
  const auto path = pathFor(domain);
  if (!path) return "invalid domain name \"" + std::string(domain) + "\"";

  PlistPtr root(toNode(PlistValue(contents)));
  char* rawXml = nullptr;
  uint32_t length = 0;
  plist_to_xml(root.get(), &rawXml, &length);
  std::unique_ptr<char, CFree> xml(rawXml);
  if (!xml) return "cannot serialise domain \"" + std::string(domain) + "\"";

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

  if (!writeAll(fd.get(), xml.get(), length)) return errnoText("cannot write", tempName, errno);
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
