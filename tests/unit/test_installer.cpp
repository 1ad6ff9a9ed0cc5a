#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_installer_platform.h"
#include "installer.h"

namespace {

const char kNetscape6[] = "SOFTWARE\\Netscape\\Netscape 6";
const char kNavigator[] = "SOFTWARE\\Netscape\\Netscape Navigator";

class Installer : public ::testing::Test {
 protected:
  void SetUp() override { gWorld = FakeInstallerWorld(); }
  void TearDown() override { EXPECT_EQ(0, gWorld.keysOpen) << "a registry key was left open"; }
  std::string Run() {
    RunInstaller();
    return gWorld.output;
  }
  void ExpectCopiedTo(const std::string& destination) {
    ASSERT_EQ(1u, gWorld.copies.size());
    EXPECT_EQ("NPZqk.dll", gWorld.copies[0].first);
    EXPECT_EQ(destination, gWorld.copies[0].second);
  }
};

TEST_F(Installer, Netscape6DirectoryIsFollowedByPlugins) {
  SetString(kNetscape6, "CurrentVersion", "6.2 (en)");
  SetString("SOFTWARE\\Netscape\\Netscape 6\\6.2 (en)\\Main", "Install Directory", "C:\\N6\\");
  EXPECT_EQ("ver = 6.2 (en)\npath = C:\\N6\\Plugins\\NPZqk.dll\nOk\n", Run());
  ExpectCopiedTo("C:\\N6\\Plugins\\NPZqk.dll");
}

TEST_F(Installer, Netscape6WithoutTrailingBackslashGetsNoneAdded) {
  SetString(kNetscape6, "CurrentVersion", "6.1");
  SetString("SOFTWARE\\Netscape\\Netscape 6\\6.1\\Main", "Install Directory", "C:\\N6");
  EXPECT_EQ("ver = 6.1\npath = C:\\N6Plugins\\NPZqk.dll\nOk\n", Run());
}

TEST_F(Installer, NavigatorDirectoryGetsABackslash) {
  SetString(kNavigator, "CurrentVersion", "4.79 (en)");
  SetString("SOFTWARE\\Netscape\\Netscape Navigator\\4.79 (en)\\Main", "Plugins directory",
            "C:\\Nav\\Plugins");
  EXPECT_EQ("ver = 4.79 (en)\npath = C:\\Nav\\Plugins\\NPZqk.dll\nOk\n", Run());
  ExpectCopiedTo("C:\\Nav\\Plugins\\NPZqk.dll");
}

TEST_F(Installer, Netscape6WinsOverNavigator) {
  SetString(kNetscape6, "CurrentVersion", "6.2");
  SetString("SOFTWARE\\Netscape\\Netscape 6\\6.2\\Main", "Install Directory", "D:\\N6\\");
  SetString(kNavigator, "CurrentVersion", "4.7");
  SetString("SOFTWARE\\Netscape\\Netscape Navigator\\4.7\\Main", "Plugins directory", "D:\\Nav");
  EXPECT_EQ("ver = 6.2\npath = D:\\N6\\Plugins\\NPZqk.dll\nOk\n", Run());
}

TEST_F(Installer, NeitherBrowserSaysNo) {
  EXPECT_EQ("no\n", Run());
  EXPECT_TRUE(gWorld.copies.empty());
}

TEST_F(Installer, Netscape6WithoutMainKeyEndsAfterItsVersion) {
  SetString(kNetscape6, "CurrentVersion", "6.2");
  SetString(kNavigator, "CurrentVersion", "4.7");
  SetString("SOFTWARE\\Netscape\\Netscape Navigator\\4.7\\Main", "Plugins directory", "D:\\Nav");
  EXPECT_EQ("ver = 6.2\n", Run());
  EXPECT_TRUE(gWorld.copies.empty());
  for (const std::string& key : gWorld.keysOpened) EXPECT_EQ(std::string::npos, key.find("Navigator"));
}

TEST_F(Installer, NavigatorWithoutItsDirectoryEndsAfterItsVersion) {
  SetString(kNavigator, "CurrentVersion", "4.7");
  SetString("SOFTWARE\\Netscape\\Netscape Navigator\\4.7\\Main", "Other", "x");
  EXPECT_EQ("ver = 4.7\n", Run());
}

TEST_F(Installer, EmptyVersionCountsAsFoundAndGivesAnEmptyPathElement) {
  SetString(kNetscape6, "CurrentVersion", "");
  SetString("SOFTWARE\\Netscape\\Netscape 6\\\\Main", "Install Directory", "C:\\N\\");
  EXPECT_EQ("ver = \npath = C:\\N\\Plugins\\NPZqk.dll\nOk\n", Run());
}

TEST_F(Installer, FailedCopiesNameTheirBrowser) {
  gWorld.copySucceeds = false;
  SetString(kNetscape6, "CurrentVersion", "6");
  SetString("SOFTWARE\\Netscape\\Netscape 6\\6\\Main", "Install Directory", "X:\\");
  EXPECT_EQ("ver = 6\npath = X:\\Plugins\\NPZqk.dll\nerror1\n", Run());
  gWorld = FakeInstallerWorld();
  gWorld.copySucceeds = false;
  SetString(kNavigator, "CurrentVersion", "4");
  SetString("SOFTWARE\\Netscape\\Netscape Navigator\\4\\Main", "Plugins directory", "X:");
  EXPECT_EQ("ver = 4\npath = X:\\NPZqk.dll\nerror2\n", Run());
}

TEST_F(Installer, DestinationTooLongIsShownWholeButNeverCopiedTo) {
  // 1006 + "Plugins\NPZqk.dll" (17) = 1023 characters: the longest that fits.
  const std::string fits = "C:\\" + std::string(1003, 'd');
  SetString(kNetscape6, "CurrentVersion", "6");
  SetString("SOFTWARE\\Netscape\\Netscape 6\\6\\Main", "Install Directory", fits);
  EXPECT_EQ("ver = 6\npath = " + fits + "Plugins\\NPZqk.dll\nOk\n", Run());
  ExpectCopiedTo(fits + "Plugins\\NPZqk.dll");

  gWorld.output.clear();
  gWorld.copies.clear();
  const std::string tooLong = fits + "d";
  SetString("SOFTWARE\\Netscape\\Netscape 6\\6\\Main", "Install Directory", tooLong);
  EXPECT_EQ("ver = 6\npath = " + tooLong + "Plugins\\NPZqk.dll\nerror1\n", Run());
  EXPECT_TRUE(gWorld.copies.empty());
}

TEST_F(Installer, VersionThatMakesTheKeyNameTooLongIsRefused) {
  // The key name is the browser key, a backslash, the version and "\Main".
  const std::string longest(255 - (sizeof kNavigator - 1) - 6, 'v');
  SetString(kNavigator, "CurrentVersion", longest);
  SetString(std::string(kNavigator) + "\\" + longest + "\\Main", "Plugins directory", "P:");
  EXPECT_EQ("ver = " + longest + "\npath = P:\\NPZqk.dll\nOk\n", Run());

  gWorld = FakeInstallerWorld();
  const std::string tooLong = longest + "v";
  SetString(kNavigator, "CurrentVersion", tooLong);
  SetString(std::string(kNavigator) + "\\" + tooLong + "\\Main", "Plugins directory", "P:");
  EXPECT_EQ("ver = " + tooLong + "\n", Run());
  EXPECT_EQ(1u, gWorld.keysOpened.size() - 1) << "the Main key must not be opened";
}

TEST_F(Installer, ValuesThatFillOrOverflowTheirBufferAreNotRead) {
  gWorld.registry[kNetscape6]["CurrentVersion"] = std::string(1024, '6');  // no NUL
  SetString(kNavigator, "CurrentVersion", std::string(1024, '4'));         // 1025 bytes
  EXPECT_EQ("no\n", Run());
  gWorld = FakeInstallerWorld();
  gWorld.registry[kNetscape6]["CurrentVersion"] = std::string(1023, '6');  // NUL can be added
  EXPECT_EQ("ver = " + std::string(1023, '6') + "\n", Run());
}

TEST(InstallerReaders, NullArgumentsAreRefusedWithoutTheRegistry) {
  gWorld = FakeInstallerWorld();
  char buffer[8];
  EXPECT_FALSE(GetNetscape6Version(nullptr, 8));
  EXPECT_FALSE(GetNavigatorVersion(nullptr, 8));
  EXPECT_FALSE(GetNetscape6InstallDir(nullptr, buffer, sizeof buffer));
  EXPECT_FALSE(GetNavigatorPluginsDir("4", nullptr, 8));
  EXPECT_TRUE(gWorld.keysOpened.empty());
}

TEST(InstallerText, JoinRefusesWhatDoesNotFit) {
  char buffer[6];
  const char* const parts[] = {"ab", "cd", "e"};
  EXPECT_TRUE(JoinTexts(buffer, sizeof buffer, parts, 3));
  EXPECT_STREQ("abcde", buffer);
  const char* const more[] = {"abc", "def"};
  EXPECT_FALSE(JoinTexts(buffer, sizeof buffer, more, 2));
  EXPECT_STREQ("", buffer);
  EXPECT_FALSE(JoinTexts(buffer, 0, more, 2));
}

}  // namespace
