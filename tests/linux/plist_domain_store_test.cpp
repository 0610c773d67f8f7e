#include "plist_domain_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace tandrel::desktop {
namespace {

namespace fs = std::filesystem;

class PlistDomainStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/tandrel-plist-test.XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    root_ = templ;
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path folder() const { return root_ / "preferences"; }

  void writeRaw(std::string_view domain, const std::string& bytes) {
    fs::create_directories(folder());
    std::ofstream(folder() / (std::string(domain) + ".plist"), std::ios::binary) << bytes;
  }

  std::string readRaw(std::string_view domain) {
    std::ifstream in(folder() / (std::string(domain) + ".plist"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::set<std::string> filesInFolder() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder())) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  fs::path root_;
};

NSDictionary dictionaryWith(const std::string& key, PropertyList value) {
  NSDictionary dict;
  dict.setObject(std::move(value), key);
  return dict;
}

NSDictionary samplePreferences() {
  NSDictionary nested;
  nested.setObject("/opt/Tandrel.app", "Path");
  nested.setObject(NSNumber::numberWithBool(false), "Hide");
  NSDictionary dict;
  dict.setObject(NSNumber::numberWithDouble(0.6), "Tandrel_PopupDelay");
  dict.setObject("1.0", "Tandrel_FirstRun");
  dict.setObject(NSNumber::numberWithInteger(-42), "Count");
  dict.setObject(NSNumber::numberWithInteger(std::int64_t{1} << 40), "Large");
  dict.setObject(NSNumber::numberWithBool(true), "Enabled");
  dict.setObject("a <tag> & \"quotes\" \xC3\xA9", "Text");
  dict.setObject(NSArray{nested, NSNumber::numberWithInteger(7), "x"}, "Items");
  dict.setObject(NSArray{}, "Empty");
  dict.setObject(nested, "Nested");
  return dict;
}

double realFor(const NSDictionary& dict, const std::string& key) {
  const PropertyList* value = dict.objectForKey(key);
  return value && value->number() ? value->number()->doubleValue() : -1.0;
}

TEST_F(PlistDomainStoreTest, RoundTripKeepsEveryTypeAndKeyOrder) {
  PlistDomainStore store(folder());
  const NSDictionary written = samplePreferences();
  ASSERT_EQ(store.write("com.corvantix.tandrel", written), "");

  const auto read = store.read("com.corvantix.tandrel");
  ASSERT_TRUE(read.domain) << read.error;
  EXPECT_EQ(*read.domain, written);
  // Dictionary equality ignores order; the order is what a person editing the file sees.
  EXPECT_EQ(read.domain->allKeys(), written.allKeys());
  ASSERT_NE(read.domain->objectForKey("Nested"), nullptr);
  EXPECT_EQ(read.domain->objectForKey("Nested")->dictionary()->allKeys(),
            (std::vector<NSString>{"Path", "Hide"}));
  EXPECT_EQ(realFor(*read.domain, "Tandrel_PopupDelay"), 0.6);
  EXPECT_EQ(read.domain->objectForKey("Count")->number()->kind(), NSNumber::Kind::Integer);
  EXPECT_EQ(read.domain->objectForKey("Enabled")->number()->kind(), NSNumber::Kind::Boolean);
}

TEST_F(PlistDomainStoreTest, RealsSurviveExactly) {
  PlistDomainStore store(folder());
  for (double value : {0.1, 1.0 / 3.0, 1e-300, 1e300, -0.0, 123456.789}) {
    ASSERT_EQ(store.write("reals", dictionaryWith("v", NSNumber::numberWithDouble(value))), "");
    const auto read = store.read("reals");
    ASSERT_TRUE(read.domain) << read.error;
    EXPECT_EQ(realFor(*read.domain, "v"), value);
  }
}

TEST_F(PlistDomainStoreTest, OutputIsAnXmlPropertyList) {
  PlistDomainStore store(folder());
  ASSERT_EQ(store.write("loginwindow", samplePreferences()), "");
  const std::string text = readRaw("loginwindow");
  EXPECT_EQ(text.rfind("<?xml", 0), 0u);
  EXPECT_NE(text.find("<plist version=\"1.0\">"), std::string::npos);
  EXPECT_NE(text.find("<key>Tandrel_PopupDelay</key>"), std::string::npos);
}

TEST_F(PlistDomainStoreTest, RewriteReplacesValueInPlace) {
  PlistDomainStore store(folder());
  NSDictionary dict = samplePreferences();
  ASSERT_EQ(store.write("rewrite", dict), "");
  dict.setObject("2.0", "Tandrel_FirstRun");  // existing key: order unchanged
  dict.setObject(NSNumber::numberWithInteger(1), "Added");
  dict.removeObjectForKey("Count");
  ASSERT_EQ(store.write("rewrite", dict), "");

  const auto read = store.read("rewrite");
  ASSERT_TRUE(read.domain) << read.error;
  EXPECT_EQ(*read.domain, dict);
  const std::vector<NSString> keys = read.domain->allKeys();
  EXPECT_EQ(keys, dict.allKeys());
  EXPECT_EQ(keys[1], "Tandrel_FirstRun");
  EXPECT_EQ(*read.domain->objectForKey("Tandrel_FirstRun")->string(), "2.0");
  EXPECT_EQ(keys.back(), "Added");
  EXPECT_EQ(read.domain->objectForKey("Count"), nullptr);
}

struct BadFile {
  const char* name;
  std::string bytes;
  const char* errorMentions;
};

class PlistDomainStoreBadFileTest : public PlistDomainStoreTest,
                                    public ::testing::WithParamInterface<BadFile> {};

TEST_P(PlistDomainStoreBadFileTest, GivesNoDomainAndLeavesTheFileAlone) {
  const BadFile& bad = GetParam();
  writeRaw("broken", bad.bytes);
  PlistDomainStore store(folder());
  const auto read = store.read("broken");
  EXPECT_FALSE(read.domain);
  EXPECT_NE(read.error.find(bad.errorMentions), std::string::npos) << read.error;
  EXPECT_EQ(readRaw("broken"), bad.bytes);
  EXPECT_EQ(filesInFolder(), std::set<std::string>{"broken.plist"});
}

std::string repeated(std::string_view part, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += part;
  return out;
}

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";

INSTANTIATE_TEST_SUITE_P(
    Inputs, PlistDomainStoreBadFileTest,
    ::testing::Values(
        BadFile{"Empty", "", "empty"},
        BadFile{"Garbage", "this is not a property list", "not a property list"},
        BadFile{"BinaryNoise", std::string("\x00\x01\x02\xff\xfe", 5), "not a property list"},
        BadFile{"TruncatedBinary", "bplist00\xd1\x01\x02", "not a property list"},
        BadFile{"RootArray", kHeader + "<array><string>a</string></array></plist>",
                "an array, not a dictionary"},
        BadFile{"RootString", kHeader + "<string>hello</string></plist>",
                "a string, not a dictionary"},
        BadFile{"RootReal", kHeader + "<real>0.5</real></plist>", "a real, not a dictionary"},
        BadFile{"RootTrue", kHeader + "<true/></plist>", "a boolean, not a dictionary"},
        // Nested far enough to exhaust the stack of a reader that recurses per level.
        BadFile{"AbsurdlyDeep",
                kHeader + "<dict><key>k</key>" + repeated("<array>", 200000) +
                    repeated("</array>", 200000) + "</dict></plist>",
                "not a property list"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlistDomainStoreTest, MissingDomainIsNoDomainWithReason) {
  PlistDomainStore store(folder());
  const auto read = store.read("com.corvantix.tandrel");
  EXPECT_FALSE(read.domain);
  EXPECT_NE(read.error.find("no file"), std::string::npos) << read.error;
  EXPECT_FALSE(fs::exists(folder()));  // A reader creates nothing.
}

TEST_F(PlistDomainStoreTest, TruncatedXmlNeverCrashes) {
  PlistDomainStore store(folder());
  ASSERT_EQ(store.write("whole", samplePreferences()), "");
  const std::string whole = readRaw("whole");
  // Every cut of a valid file reads as some dictionary or as no domain, never a crash.
  for (std::size_t cut = 0; cut < whole.size(); cut += 7) {
    writeRaw("cut", whole.substr(0, cut));
    const auto read = store.read("cut");
    EXPECT_TRUE(read.domain || !read.error.empty()) << cut;
  }
}

TEST_F(PlistDomainStoreTest, RejectsDomainNamesThatAreNotFileNames) {
  PlistDomainStore store(folder());
  for (const char* name : {"", "../escape", "a/b", ".hidden", "."}) {
    EXPECT_FALSE(store.pathFor(name)) << name;
    EXPECT_FALSE(store.read(name).domain) << name;
    EXPECT_NE(store.write(name, {}), "") << name;
  }
  EXPECT_FALSE(fs::exists(root_ / "escape.plist"));
}

TEST_F(PlistDomainStoreTest, WritesLeaveOnlyTheDomainAndItsLock) {
  PlistDomainStore store(folder());
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(
        store.write("com.corvantix.tandrel", dictionaryWith("i", NSNumber::numberWithInteger(i))),
        "");
  }
  EXPECT_EQ(filesInFolder(),
            (std::set<std::string>{"com.corvantix.tandrel.plist", ".com.corvantix.tandrel.lock"}));
}

TEST_F(PlistDomainStoreTest, FailedReplaceKeepsOldStateAndCleansTemporaryFile) {
  PlistDomainStore store(folder());
  // A non-empty folder where the file should be makes the rename fail.
  fs::create_directories(folder() / "blocked.plist" / "inside");
  EXPECT_NE(store.write("blocked", samplePreferences()), "");
  EXPECT_EQ(filesInFolder(), (std::set<std::string>{"blocked.plist", ".blocked.lock"}));
}

TEST_F(PlistDomainStoreTest, ReaderNeverSeesAPartialFile) {
  PlistDomainStore store(folder());
  const NSDictionary small = dictionaryWith("version", "small");
  NSDictionary big = samplePreferences();
  big.setObject("big", "version");
  NSArray many;
  for (int i = 0; i < 2000; ++i) many.emplace_back("padding to make the write take several blocks");
  big.setObject(many, "many");
  ASSERT_EQ(store.write("race", small), "");

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (int i = 0; i < 200; ++i) {
      if (!store.write("race", i % 2 ? small : big).empty()) _exit(1);
    }
    _exit(0);
  }
  int reads = 0;
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    const auto read = store.read("race");
    ASSERT_TRUE(read.domain) << read.error;
    const PropertyList* version = read.domain->objectForKey("version");
    ASSERT_NE(version, nullptr);
    EXPECT_TRUE(*read.domain == small || *read.domain == big);
    ++reads;
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_GT(reads, 0);
  EXPECT_EQ(filesInFolder(), (std::set<std::string>{"race.plist", ".race.lock"}));
}

TEST_F(PlistDomainStoreTest, SecondProcessWriteIsSeenByReRead) {
  PlistDomainStore store(folder());
  ASSERT_EQ(store.write("com.corvantix.tandrel",
                        dictionaryWith("Tandrel_PopupDelay", NSNumber::numberWithDouble(0.5))),
            "");
  ASSERT_TRUE(store.read("com.corvantix.tandrel").domain);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const NSDictionary second =
        dictionaryWith("Tandrel_PopupDelay", NSNumber::numberWithDouble(1.25));
    _exit(PlistDomainStore(folder()).write("com.corvantix.tandrel", second).empty() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const auto read = store.read("com.corvantix.tandrel");
  ASSERT_TRUE(read.domain) << read.error;
  EXPECT_EQ(realFor(*read.domain, "Tandrel_PopupDelay"), 1.25);
}

TEST_F(PlistDomainStoreTest, LockExcludesAnotherProcessUntilReleased) {
  PlistDomainStore store(folder());
  int toParent[2];
  ASSERT_EQ(pipe(toParent), 0);

  auto lock = store.lock("loginwindow");
  ASSERT_TRUE(lock.held()) << lock.error();
  NSDictionary ours = dictionaryWith("owner", "parent");
  ASSERT_EQ(store.write(lock, ours), "");

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The inherited descriptor shares the parent's lock; only the parent may release it.
    lock = PlistDomainStore::Lock();
    if (write(toParent[1], "s", 1) != 1) _exit(2);  // about to block on the lock
    PlistDomainStore other(folder());
    auto theirs = other.lock("loginwindow");
    // The parent wrote "released" before releasing; seeing it proves we waited.
    const auto read = other.read("loginwindow");
    const PropertyList* owner = read.domain ? read.domain->objectForKey("owner") : nullptr;
    const bool waited = owner && owner->string() && *owner->string() == "released";
    _exit(theirs.held() && waited ? 0 : 1);
  }
  char started = 0;
  ASSERT_EQ(read(toParent[0], &started, 1), 1);
  ours.setObject("released", "owner");
  ASSERT_EQ(store.write(lock, ours), "");
  lock = PlistDomainStore::Lock();  // release
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : toParent) close(fd);
}

TEST_F(PlistDomainStoreTest, WriteWithAForeignLockIsRefused) {
  PlistDomainStore store(folder());
  PlistDomainStore other(root_ / "elsewhere");
  auto foreign = other.lock("d");
  ASSERT_TRUE(foreign.held());
  EXPECT_NE(store.write(foreign, {}), "");
  EXPECT_NE(store.write(PlistDomainStore::Lock(), {}), "");
}

TEST_F(PlistDomainStoreTest, DefaultFolderFollowsXdgConfigHome) {
  const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
  const char* savedHome = std::getenv("HOME");
  const std::string xdg = savedXdg ? savedXdg : "";
  const std::string home = savedHome ? savedHome : "";

  setenv("XDG_CONFIG_HOME", "/x/config", 1);
  EXPECT_EQ(PlistDomainStore::defaultFolder(), fs::path("/x/config/tandrel/preferences"));
  setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(PlistDomainStore::defaultFolder(), fs::path("/home/u/.config/tandrel/preferences"));
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(PlistDomainStore::defaultFolder(), fs::path("/home/u/.config/tandrel/preferences"));

  if (savedXdg) setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
  if (savedHome) setenv("HOME", home.c_str(), 1);
}

TEST_F(PlistDomainStoreTest, PlistutilReadsWhatWeWrite) {
  if (std::system("command -v plistutil >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "plistutil is not installed";
  }
  PlistDomainStore store(folder());
  ASSERT_EQ(store.write("com.corvantix.tandrel", samplePreferences()), "");
  // plistutil converts our XML to binary; reading the binary back must give the same domain.
  const fs::path out = folder() / "converted.plist";
  const std::string command = "plistutil -i '" +
                              (folder() / "com.corvantix.tandrel.plist").string() + "' -o '" +
                              out.string() + "' -f bin";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string converted = readRaw("converted");
  EXPECT_EQ(converted.rfind("bplist00", 0), 0u);
  const auto read = store.read("converted");
  ASSERT_TRUE(read.domain) << read.error;
  EXPECT_EQ(*read.domain, samplePreferences());
}

}  // namespace
}  // namespace tandrel::desktop
