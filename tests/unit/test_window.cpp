#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "navigation.h"

namespace {

intptr_t PageProcA(NativeWindow, unsigned, uintptr_t, intptr_t) { return 1; }
intptr_t PageProcB(NativeWindow, unsigned, uintptr_t, intptr_t) { return 2; }

NativeWindow WindowA() { return reinterpret_cast<NativeWindow>(0x100); }
NativeWindow WindowB() { return reinterpret_cast<NativeWindow>(0x200); }

class SetWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFake();
    gFake.procedures[WindowA()] = PageProcA;
    gFake.procedures[WindowB()] = PageProcB;
    NPP_New(nullptr, &npp_, NP_FULL, 0, nullptr, nullptr, nullptr);
    windowA_.window = WindowA();
    windowB_.window = WindowB();
  }
  void TearDown() override {
    if (npp_.pdata != nullptr) NPP_Destroy(&npp_, nullptr);
  }
  LauncherInstance* record() { return InstanceRecord(&npp_); }
  std::vector<std::string> events() {
    std::vector<std::string> seen;
    seen.swap(gFake.windowEvents);
    return seen;
  }
  NPP_t npp_ = {};
  NPWindow windowA_ = {};
  NPWindow windowB_ = {};
};

using Events = std::vector<std::string>;

TEST_F(SetWindow, FirstWindowIsSubclassedNamedAndRepainted) {
  EXPECT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp_, &windowA_));
  EXPECT_EQ((Events{"subclass", "property", "repaint"}), events());
  EXPECT_EQ(kFakeLauncherProc, gFake.procedures[WindowA()]);
  EXPECT_EQ(record(), gFake.properties[WindowA()]);
  EXPECT_EQ(&windowA_, record()->window);
  EXPECT_EQ(WindowA(), record()->hwnd);
  EXPECT_EQ(PageProcA, record()->prevWndProc);
}

TEST_F(SetWindow, SameHandleAgainOnlyRepaints) {
  NPP_SetWindow(&npp_, &windowA_);
  events();
  NPWindow resized = windowA_;
  resized.width = 640;
  EXPECT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp_, &resized));
  EXPECT_EQ(Events{"repaint"}, events());
  EXPECT_EQ(&resized, record()->window);
  EXPECT_EQ(PageProcA, record()->prevWndProc);
}

TEST_F(SetWindow, NewHandleGivesTheOldWindowBackFirst) {
  NPP_SetWindow(&npp_, &windowA_);
  events();
  NPP_SetWindow(&npp_, &windowB_);
  EXPECT_EQ((Events{"restore", "subclass", "property", "repaint"}), events());
  EXPECT_EQ(PageProcA, gFake.procedures[WindowA()]);
  EXPECT_EQ(kFakeLauncherProc, gFake.procedures[WindowB()]);
  EXPECT_EQ(PageProcB, record()->prevWndProc);
  EXPECT_EQ(WindowB(), record()->hwnd);
}

TEST_F(SetWindow, NullWindowOrHandleDetaches) {
  NPP_SetWindow(&npp_, &windowA_);
  events();
  EXPECT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp_, nullptr));
  EXPECT_EQ(Events{"restore"}, events());
  EXPECT_EQ(PageProcA, gFake.procedures[WindowA()]);
  EXPECT_EQ(nullptr, record()->window);
  EXPECT_EQ(nullptr, record()->hwnd);
  EXPECT_EQ(nullptr, record()->prevWndProc);

  NPP_SetWindow(&npp_, &windowA_);
  events();
  NPWindow handleless = {};
  NPP_SetWindow(&npp_, &handleless);
  EXPECT_EQ(Events{"restore"}, events());
  EXPECT_EQ(&handleless, record()->window);
  // A handle-less window followed by a null one has nothing to give back.
  NPP_SetWindow(&npp_, nullptr);
  EXPECT_TRUE(events().empty());
}

TEST_F(SetWindow, HandlelessFirstWindowIsStoredThenARealOneAttaches) {
  NPWindow handleless = {};
  NPP_SetWindow(&npp_, &handleless);
  EXPECT_TRUE(events().empty());
  EXPECT_EQ(&handleless, record()->window);
  NPP_SetWindow(&npp_, &windowA_);
  EXPECT_EQ((Events{"subclass", "property", "repaint"}), events());
  EXPECT_EQ(WindowA(), record()->hwnd);
}

TEST_F(SetWindow, WindowThatCouldNotBeSubclassedIsNeverGivenANullProcedure) {
  NPWindow foreign = {};
  foreign.window = reinterpret_cast<NativeWindow>(0x300);
  gFake.unsubclassable.insert(foreign.window);
  NPP_SetWindow(&npp_, &foreign);
  EXPECT_EQ(nullptr, record()->prevWndProc);
  events();
  NPP_SetWindow(&npp_, &windowA_);  // nothing to give back to the foreign window
  EXPECT_EQ((Events{"subclass", "property", "repaint"}), events());
  NPP_SetWindow(&npp_, &foreign);
  EXPECT_EQ((Events{"restore", "subclass", "repaint"}), events());
  NPP_SetWindow(&npp_, nullptr);
  EXPECT_TRUE(events().empty());
  NPP_SetWindow(&npp_, &foreign);
  events();
  EXPECT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp_, nullptr));
  EXPECT_TRUE(events().empty());
  EXPECT_EQ(0u, gFake.procedures.count(foreign.window)) << "the foreign window was given a procedure";
}

TEST_F(SetWindow, DestroyGivesTheProcedureBackAndFreesTheRecord) {
  NPP_SetWindow(&npp_, &windowA_);
  events();
  EXPECT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp_, nullptr));
  EXPECT_EQ(Events{"restore"}, events());
  EXPECT_EQ(PageProcA, gFake.procedures[WindowA()]);
  EXPECT_EQ(1, gFake.releases);
}

TEST_F(SetWindow, TwoInstancesOnOneWindowTakeOnePlaceInItsChain) {
  for (bool firstGoesFirst : {true, false}) {
    NPP_t second = {};
    NPP_New(nullptr, &second, NP_EMBED, 0, nullptr, nullptr, nullptr);
    NPP_SetWindow(&npp_, &windowA_);
    NPP_SetWindow(&second, &windowA_);
    EXPECT_EQ(PageProcA, InstanceRecord(&second)->prevWndProc) << "the plug-in's procedure replaced itself";
    EXPECT_EQ(InstanceRecord(&second), gFake.properties[WindowA()]);
    NPP_Destroy(firstGoesFirst ? &npp_ : &second, nullptr);
    NPP_Destroy(firstGoesFirst ? &second : &npp_, nullptr);
    EXPECT_EQ(PageProcA, gFake.procedures[WindowA()]);
    EXPECT_TRUE(gFake.properties.empty() && gFake.replacedProcs.empty());
    EXPECT_EQ((Events{"subclass", "property", "repaint", "property", "repaint", "restore"}), events());
    NPP_New(nullptr, &npp_, NP_FULL, 0, nullptr, nullptr, nullptr);
  }
}

TEST_F(SetWindow, ProcedureUnderAnotherStaysAPassThroughUntilOnTopAgain) {
  NPP_SetWindow(&npp_, &windowA_);
  gFake.procedures[WindowA()] = PageProcB;  // another party subclasses the window after the plug-in
  events();
  NPP_Destroy(&npp_, nullptr);
  EXPECT_EQ(Events{"keep library"}, events()) << "the other party's procedure was knocked out";
  EXPECT_EQ(PageProcB, gFake.procedures[WindowA()]);
  EXPECT_EQ(PageProcA, gFake.replacedProcs[WindowA()]);
  EXPECT_TRUE(gFake.properties.empty()) << "the window still names a released record";
  gFake.procedures[WindowA()] = kFakeLauncherProc;  // the other party puts back what it had
  LeaveWindowChain(WindowA());                      // as the procedure does on the next message
  EXPECT_EQ(PageProcA, gFake.procedures[WindowA()]);
  EXPECT_TRUE(gFake.replacedProcs.empty());
}

TEST_F(SetWindow, InstanceDestroyedWhileRepaintingIsNotTouchedAgain) {
  gFake.whileRepainting = [this] { NPP_Destroy(&npp_, nullptr); };
  EXPECT_EQ(NPERR_NO_ERROR, NPP_SetWindow(&npp_, &windowA_));
  EXPECT_EQ(1, gFake.releases);
  EXPECT_EQ(PageProcA, gFake.procedures[WindowA()]);
}

TEST_F(SetWindow, NullInstanceIsRefused) {
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_SetWindow(nullptr, &windowA_));
  EXPECT_TRUE(events().empty());
}

// One row of the navigation table: the instance, and what the browser is asked.
struct NavigationCase {
  const char* name;
  uint16_t mode;
  const char* winclose;
  const char* userAgent;
  const char* url;  // null: no request
  const char* target;
};

void PrintTo(const NavigationCase& c, std::ostream* out) { *out << c.name; }

class Navigation : public ::testing::TestWithParam<NavigationCase> {};

TEST_P(Navigation, EndOfStreamAsksTheBrowserAsThePageWanted) {
  const NavigationCase& c = GetParam();
  ResetFake();
  gFake.userAgent = c.userAgent;
  const char* names[] = {"winclose"};
  const char* values[] = {c.winclose};
  NPP_t npp = {};
  NPP_New(nullptr, &npp, c.mode, 1, const_cast<char**>(names), const_cast<char**>(values), nullptr);
  NPStream stream = {};
  stream.url = "http://h/a.zqk";
  // The viewer is missing: the request is made all the same.
  NPP_NewStream(&npp, nullptr, &stream, 0, nullptr);
  for (NPReason reason : {NPRES_DONE, NPRES_NETWORK_ERR, NPRES_USER_BREAK}) {
    EXPECT_EQ(NPERR_NO_ERROR, NPP_DestroyStream(&npp, &stream, reason));
  }
  if (c.url == nullptr) {
    EXPECT_TRUE(gFake.navigations.empty());
  } else {
    ASSERT_EQ(3u, gFake.navigations.size());
    for (const FakeNavigation& n : gFake.navigations) {
      EXPECT_EQ(&npp, n.instance);
      EXPECT_EQ(c.url, n.url);
      EXPECT_EQ(c.target, n.target);
    }
  }
  NPP_Destroy(&npp, nullptr);
}

const char kNetscape[] = "Mozilla/5.0 (Windows; U; Win 9x 4.90) Netscape6/6.2";
const char kOpera[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows 98) Opera 7.11";
const char kBack[] = "javascript:history.back();";
const char kClose[] = "javascript:window.close()";

INSTANTIATE_TEST_SUITE_P(
    Table, Navigation,
    ::testing::Values(
        NavigationCase{"FullPageGoesBack", NP_FULL, "no", kNetscape, kBack, "_self"},
        NavigationCase{"FullPageGoesBackWhateverWinclose", NP_FULL, "yes", kNetscape, kBack, "_self"},
        NavigationCase{"EmbedWithWincloseCloses", NP_EMBED, "yes", kNetscape, kClose, "_top"},
        NavigationCase{"EmbedWithUpperCaseWincloseCloses", NP_EMBED, "YES", kNetscape, kClose, "_top"},
        NavigationCase{"EmbedWithoutWincloseStays", NP_EMBED, "no", kNetscape, nullptr, nullptr},
        NavigationCase{"OperaFullPageStays", NP_FULL, "yes", kOpera, nullptr, nullptr},
        NavigationCase{"OperaEmbedWithWincloseStays", NP_EMBED, "yes", kOpera, nullptr, nullptr},
        NavigationCase{"OperaEmbedStays", NP_EMBED, "no", kOpera, nullptr, nullptr}),
    [](const ::testing::TestParamInfo<NavigationCase>& info) { return std::string(info.param.name); });

TEST(NavigationChoice, NullInstanceIsRefused) {
  ResetFake();
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_DestroyStream(nullptr, nullptr, NPRES_DONE));
  EXPECT_TRUE(gFake.navigations.empty());
}

}  // namespace
