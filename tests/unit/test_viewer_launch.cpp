#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "text.h"
#include "viewer_launch.h"
#include "windows_arguments.h"

namespace {

const char kPrimaryKey[] = "SOFTWARE\\Quendrix\\Shared";
const char kCommandKey[] = "Quendrix_ZQK\\shell\\open\\command";
const char kUrl[] = "http://books.example/a.zqk";

std::string Extract(const std::string& command, bool* extracted = nullptr) {
  char buffer[kViewerPathCapacity];
  CopyText(buffer, sizeof buffer, command.c_str());
  const bool result = ExtractQuotedPath(buffer);
  if (extracted != nullptr) *extracted = result;
  return buffer;
}

TEST(QuotedPath, TextBetweenTheFirstTwoQuotes) {
  EXPECT_EQ("C:\\Apps\\viewer.exe", Extract("\"C:\\Apps\\viewer.exe\" \"%1\""));
  EXPECT_EQ("C:\\V\\v.exe", Extract("x \"C:\\V\\v.exe\""));
  bool extracted = false;
  EXPECT_EQ("", Extract("\"\"", &extracted));
  EXPECT_TRUE(extracted);
}

TEST(QuotedPath, FewerThanTwoQuotesOrTooLongGivesNothing) {
  bool extracted = true;
  EXPECT_EQ("", Extract("C:\\Apps\\viewer.exe %1", &extracted));
  EXPECT_FALSE(extracted);
  EXPECT_EQ("", Extract("\"C:\\Apps\\viewer.exe %1", &extracted));
  EXPECT_FALSE(extracted);
  EXPECT_EQ("", Extract("", &extracted));
  EXPECT_FALSE(extracted);
  const std::string longest(163, 'p');
  EXPECT_EQ(longest, Extract("\"" + longest + "\"", &extracted));
  EXPECT_TRUE(extracted);
  EXPECT_EQ("", Extract("\"" + longest + "p\"", &extracted));
  EXPECT_FALSE(extracted);
}

TEST(WindowsArguments, SplitAsTheDocumentedExamples) {
  using Arguments = std::vector<std::string>;
  EXPECT_EQ((Arguments{"abc", "d", "e"}), SplitWindowsArguments("\"abc\" d e"));
  EXPECT_EQ((Arguments{"a\\\\\\b", "de fg", "h"}), SplitWindowsArguments("a\\\\\\b d\"e f\"g h"));
  EXPECT_EQ((Arguments{"a\\\"b", "c", "d"}), SplitWindowsArguments("a\\\\\\\"b c d"));
  EXPECT_EQ((Arguments{"a\\\\b c", "d", "e"}), SplitWindowsArguments("a\\\\\\\\\"b c\" d e"));
  EXPECT_EQ((Arguments{"ab\" c d"}), SplitWindowsArguments("a\"b\"\" c d"));
}

// Whatever the URL and the UID hold, the viewer splits its arguments into
// exactly the URL and /UID= with the UID; ordinary text keeps its old form.
TEST(ViewerArguments, AlwaysExactlyTheUrlAndTheUid) {
  const struct {
    const char* url;
    const char* uid;
    const char* composed;  // null: only the split is checked
  } cases[] = {
      {"U", "42", "U /UID=42"},
      {"U", "", "U /UID="},
      {"http://h/a.zqk?x=\\y\\", "a\\b", "http://h/a.zqk?x=\\y\\ /UID=a\\b"},
      {"U", "42 \"C:\\evil\\other.zqk\" /print", "U /UID=\"42 \\\"C:\\evil\\other.zqk\\\" /print\""},
      {"U", "1 \\\\some-host\\share\\x.zqk", "U /UID=\"1 \\\\some-host\\share\\x.zqk\""},
      {"file:///C:/My Books/a.zqk", "7", "\"file:///C:/My Books/a.zqk\" /UID=7"},
      {"C:\\dir with blank\\", "x\ty\\", "\"C:\\dir with blank\\\\\" /UID=\"x\ty\\\\\""},
      {"", "5", "\"\" /UID=5"},
      {"U", "\"", nullptr},
      {"a\\\"b", "\\\\\" \\", nullptr},
      {" ", "  ", nullptr},
  };
  for (const auto& c : cases) {
    char arguments[kViewerArgumentsCapacity];
    ASSERT_TRUE(ComposeViewerArguments(c.url, c.uid, arguments, sizeof arguments)) << c.uid;
    if (c.composed != nullptr) {
      EXPECT_STREQ(c.composed, arguments);
    }
    EXPECT_EQ((std::vector<std::string>{c.url, std::string("/UID=") + c.uid}),
              SplitWindowsArguments(arguments))
        << arguments;
    EXPECT_NE(nullptr, std::strstr(arguments, " /UID=")) << arguments;
  }
}

TEST(ViewerArguments, ThatDoNotFitAreNotComposed) {
  char arguments[kViewerArgumentsCapacity];
  const std::string url(1017, 'u');  // + " /UID=" = 1023 characters
  EXPECT_TRUE(ComposeViewerArguments(url.c_str(), "", arguments, sizeof arguments));
  EXPECT_EQ(url + " /UID=", arguments);
  EXPECT_FALSE(ComposeViewerArguments(url.c_str(), "1", arguments, sizeof arguments));
  EXPECT_STREQ("", arguments);
  // Quoting counts: 1016 characters with a blank take 1018 quoted.
  const std::string blank = std::string(1015, 'u') + " ";
  EXPECT_FALSE(ComposeViewerArguments(blank.c_str(), "", arguments, sizeof arguments));
  EXPECT_STREQ("", arguments);
  EXPECT_TRUE(ComposeViewerArguments(blank.c_str() + 2, "", arguments, sizeof arguments));
  const std::string hugeUrl(4000, 'h');
  EXPECT_FALSE(ComposeViewerArguments(hugeUrl.c_str(), "1", arguments, sizeof arguments));
  EXPECT_STREQ("", arguments);
}

class ViewerLaunch : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFake();
    const char* names[] = {"UID"};
    const char* values[] = {"42"};
    NPP_New(nullptr, &npp_, NP_EMBED, 1, const_cast<char**>(names), const_cast<char**>(values), nullptr);
    stream_.url = kUrl;
  }
  void TearDown() override {
    if (npp_.pdata != nullptr) NPP_Destroy(&npp_, nullptr);
    EXPECT_EQ(0, gFake.keysOpen) << "a registry key was left open";
  }
  NPError Open() { return NPP_NewStream(&npp_, nullptr, &stream_, 0, &stype_); }
  void ExpectOneMessage(const char* caption) {
    ASSERT_EQ(1u, gFake.messages.size());
    EXPECT_EQ(caption, gFake.messages[0].caption);
    EXPECT_EQ(kViewerMissingText, gFake.messages[0].text);
    EXPECT_EQ(0u, gFake.messages[0].style);
  }
  NPP_t npp_ = {};
  NPStream stream_ = {};
  uint16_t stype_ = NP_NORMAL;
};

TEST_F(ViewerLaunch, PrimaryValueStartsTheViewerWithUrlAndUid) {
  SetRegistryString(kLocalMachine, kPrimaryKey, "ActiveXViewer", "C:\\Tarvik\\viewer.exe");
  EXPECT_EQ(NPERR_NO_ERROR, Open());
  ASSERT_EQ(1u, gFake.launches.size());
  const FakeLaunch& launch = gFake.launches[0];
  EXPECT_EQ("open", launch.verb);
  EXPECT_EQ("C:\\Tarvik\\viewer.exe", launch.file);
  EXPECT_EQ(std::string(kUrl) + " /UID=42", launch.parameters);
  EXPECT_EQ("c:\\", launch.directory);
  EXPECT_EQ(5, launch.showCommand);
  EXPECT_TRUE(gFake.messages.empty());
  EXPECT_EQ(NP_NORMAL, stype_);
}

// On 64-bit Windows the plug-in also finds a viewer registered in the other
// registry view, its own view winning; 32-bit Windows has one view.
TEST_F(ViewerLaunch, PrimaryValueInTheRegistryViews) {
  const struct {
    bool separate;
    const char *own, *view32, *launched;
  } cases[] = {
      {true, nullptr, "C:\\V32\\v.exe", "C:\\V32\\v.exe"},
      {true, "C:\\V64\\v.exe", nullptr, "C:\\V64\\v.exe"},
      {true, "C:\\V64\\v.exe", "C:\\V32\\v.exe", "C:\\V64\\v.exe"},
      {false, nullptr, "C:\\V32\\v.exe", nullptr},
  };
  for (const auto& c : cases) {
    gFake.registry.clear();
    gFake.launches.clear();
    gFake.messages.clear();
    gFake.otherRegistryView = c.separate;
    if (c.own != nullptr) SetRegistryString(kLocalMachine, kPrimaryKey, "ActiveXViewer", c.own);
    if (c.view32 != nullptr)
      SetRegistryString(kLocalMachineOtherView, kPrimaryKey, "ActiveXViewer", c.view32);
    Open();
    if (c.launched == nullptr) {
      EXPECT_TRUE(gFake.launches.empty());
      ExpectOneMessage("Application Not Installed 1");
    } else {
      ASSERT_EQ(1u, gFake.launches.size());
      EXPECT_EQ(c.launched, gFake.launches[0].file);
    }
  }
  // The own view's value that does not start goes on to the open command, not the 32-bit view.
  gFake.launches.clear();
  gFake.messages.clear();
  gFake.otherRegistryView = true;
  SetRegistryString(kLocalMachine, kPrimaryKey, "ActiveXViewer", "C:\\V64\\v.exe");
  gFake.launchResults["C:\\V64\\v.exe"] = 2;
  Open();
  ASSERT_EQ(1u, gFake.launches.size());
  ExpectOneMessage("Application Not Installed 1");
}

TEST_F(ViewerLaunch, FailedPrimaryLaunchFallsBackToTheOpenCommandSilently) {
  SetRegistryString(kLocalMachine, kPrimaryKey, "ActiveXViewer", "C:\\gone.exe");
  gFake.launchResults["C:\\gone.exe"] = 2;  // file not found
  SetRegistryString(kClassesRoot, kCommandKey, "", "\"C:\\V\\v.exe\" \"%1\"");
  EXPECT_EQ(NPERR_NO_ERROR, Open());
  ASSERT_EQ(2u, gFake.launches.size());
  EXPECT_EQ("C:\\V\\v.exe", gFake.launches[1].file);
  EXPECT_EQ(std::string(kUrl) + " /UID=42", gFake.launches[1].parameters);
  EXPECT_TRUE(gFake.messages.empty());
}

TEST_F(ViewerLaunch, LaunchSucceedsOnlyAboveThirtyTwo) {
  SetRegistryString(kLocalMachine, kPrimaryKey, "ActiveXViewer", "C:\\a.exe");
  gFake.launchResults["C:\\a.exe"] = 32;
  EXPECT_EQ(NPERR_NO_ERROR, Open());
  EXPECT_EQ(1u, gFake.launches.size());
  ExpectOneMessage("Application Not Installed 1");
  gFake.messages.clear();
  gFake.launches.clear();
  gFake.launchResults["C:\\a.exe"] = 33;
  Open();
  EXPECT_EQ(1u, gFake.launches.size());
  EXPECT_TRUE(gFake.messages.empty());
}

TEST_F(ViewerLaunch, MissingPrimaryValueWithKeyPresentUsesTheOpenCommand) {
  SetRegistryString(kLocalMachine, kPrimaryKey, "OtherValue", "C:\\x.exe");
  SetRegistryString(kClassesRoot, kCommandKey, "", "\"C:\\V\\v.exe\"");
  Open();
  ASSERT_EQ(1u, gFake.launches.size());
  EXPECT_EQ("C:\\V\\v.exe", gFake.launches[0].file);
}

TEST_F(ViewerLaunch, EachMissingPieceHasItsOwnCaption) {
  EXPECT_EQ(NPERR_NO_ERROR, Open());
  EXPECT_TRUE(gFake.launches.empty());
  ExpectOneMessage("Application Not Installed 1");

  gFake.messages.clear();
  gFake.registry[{kClassesRoot, kCommandKey}];  // the key without its default value
  Open();
  ExpectOneMessage("Application Not Installed 2");

  gFake.messages.clear();
  SetRegistryString(kClassesRoot, kCommandKey, "", "\"C:\\missing.exe\"");
  gFake.launchResults["C:\\missing.exe"] = 0;
  Open();
  EXPECT_EQ(1u, gFake.launches.size());
  ExpectOneMessage("Application Not Installed 3");
}

TEST_F(ViewerLaunch, RegistryValuesThatFillTheirBufferAreNotUsed) {
  // 260 bytes with no NUL in the primary value, 256 in the open command.
  gFake.registry[{kLocalMachine, kPrimaryKey}]["ActiveXViewer"] = std::string(260, 'p');
  gFake.registry[{kClassesRoot, kCommandKey}][""] = "\"C:\\v.exe\"" + std::string(246, ' ');
  Open();
  EXPECT_TRUE(gFake.launches.empty());
  ExpectOneMessage("Application Not Installed 2");
  gFake.messages.clear();
  // One byte less leaves room for the NUL: both are usable.
  gFake.registry[{kLocalMachine, kPrimaryKey}]["ActiveXViewer"] = std::string(259, 'p');
  Open();
  ASSERT_EQ(1u, gFake.launches.size());
  EXPECT_EQ(std::string(259, 'p'), gFake.launches[0].file);
}

TEST_F(ViewerLaunch, OverlongValuesAreRefusedByTheRegistryRead) {
  SetRegistryString(kLocalMachine, kPrimaryKey, "ActiveXViewer", std::string(300, 'p'));
  SetRegistryString(kClassesRoot, kCommandKey, "", "\"C:\\v.exe\" " + std::string(250, 'x'));
  Open();
  EXPECT_TRUE(gFake.launches.empty());
  ExpectOneMessage("Application Not Installed 2");
}

TEST_F(ViewerLaunch, UnquotedOrOverlongOpenCommandIsNotLaunched) {
  SetRegistryString(kClassesRoot, kCommandKey, "", "C:\\V\\v.exe %1");
  Open();
  EXPECT_TRUE(gFake.launches.empty());
  ExpectOneMessage("Application Not Installed 3");
  gFake.messages.clear();
  SetRegistryString(kClassesRoot, kCommandKey, "", "\"" + std::string(200, 'p') + "\"");
  Open();
  EXPECT_TRUE(gFake.launches.empty());
  ExpectOneMessage("Application Not Installed 3");
}

TEST_F(ViewerLaunch, ArgumentsThatDoNotFitAreNeverLaunched) {
  SetRegistryString(kLocalMachine, kPrimaryKey, "ActiveXViewer", "C:\\a.exe");
  SetRegistryString(kClassesRoot, kCommandKey, "", "\"C:\\a.exe\"");
  const std::string url = "http://h/" + std::string(1100, 'u');
  stream_.url = url.c_str();
  Open();
  EXPECT_TRUE(gFake.launches.empty());
  ExpectOneMessage("Application Not Installed 3");
}

TEST_F(ViewerLaunch, StreamWithoutUrlOrNullStreamDoesNothing) {
  SetRegistryString(kLocalMachine, kPrimaryKey, "ActiveXViewer", "C:\\a.exe");
  stream_.url = nullptr;
  EXPECT_EQ(NPERR_NO_ERROR, Open());
  EXPECT_EQ(NPERR_NO_ERROR, NPP_NewStream(&npp_, nullptr, nullptr, 0, nullptr));
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_NewStream(nullptr, nullptr, &stream_, 0, nullptr));
  EXPECT_TRUE(gFake.launches.empty());
  EXPECT_TRUE(gFake.messages.empty());
}

TEST_F(ViewerLaunch, InstanceDestroyedWhileTheMessageIsUpIsNotTouchedAgain) {
  // Under AddressSanitizer any read of the freed record after the box fails.
  gFake.whileMessageShown = [this] { NPP_Destroy(&npp_, nullptr); };
  EXPECT_EQ(NPERR_NO_ERROR, Open());
  EXPECT_EQ(1u, gFake.messages.size());
  EXPECT_EQ(nullptr, npp_.pdata);
  EXPECT_EQ(1, gFake.releases);
}

TEST(StreamData, IsAcceptedWholeAndDiscarded) {
  NPStream stream = {};
  char data[16] = {};
  EXPECT_EQ(268435455, NPP_WriteReady(nullptr, nullptr));
  EXPECT_EQ(268435455, NPP_WriteReady(nullptr, &stream));
  EXPECT_EQ(0, NPP_Write(nullptr, &stream, 0, 0, data));
  EXPECT_EQ(16, NPP_Write(nullptr, nullptr, 100, 16, data));
  EXPECT_EQ(-1, NPP_Write(nullptr, nullptr, 0, -1, nullptr));
  NPP_StreamAsFile(nullptr, nullptr, nullptr);
}

}  // namespace
