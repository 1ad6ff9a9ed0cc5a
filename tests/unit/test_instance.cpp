#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_platform.h"

namespace {

// An instance created from page attributes, as the browser would create it.
struct PageInstance {
  NPP_t npp = {};
  NPError result = NPERR_NO_ERROR;
  LauncherInstance* record() { return static_cast<LauncherInstance*>(npp.pdata); }
};

PageInstance Create(uint16_t mode, std::vector<const char*> names, std::vector<const char*> values) {
  PageInstance page;
  page.result = NPP_New(nullptr, &page.npp, mode, static_cast<int16_t>(names.size()),
                        const_cast<char**>(names.data()), const_cast<char**>(values.data()), nullptr);
  return page;
}

class Instance : public ::testing::Test {
 protected:
  void SetUp() override { ResetFake(); }
};

TEST_F(Instance, NewFillsTheRecordFromModeAndAttributes) {
  PageInstance page = Create(NP_FULL, {"src", "UID", "winclose"}, {"a.zqk", "42", "yes"});
  ASSERT_EQ(NPERR_NO_ERROR, page.result);
  LauncherInstance* record = page.record();
  ASSERT_NE(nullptr, record);
  EXPECT_EQ(nullptr, record->window);
  EXPECT_EQ(NP_FULL, record->mode);
  EXPECT_EQ(nullptr, record->hwnd);
  EXPECT_EQ(nullptr, record->prevWndProc);
  EXPECT_EQ(1, record->closeAfterStream);
  EXPECT_EQ(1, record->mayNavigate);
  EXPECT_STREQ("42", record->uid);
  NPP_Destroy(&page.npp, nullptr);
}

TEST_F(Instance, NoOrNegativeCountReadsNoAttribute) {
  const char* names[] = {"UID", "winclose"};
  const char* values[] = {"42", "yes"};
  for (int16_t argc : {0, -1, -32768}) {
    NPP_t npp = {};
    ASSERT_EQ(NPERR_NO_ERROR, NPP_New(nullptr, &npp, NP_EMBED, argc, const_cast<char**>(names),
                                      const_cast<char**>(values), nullptr));
    auto* record = static_cast<LauncherInstance*>(npp.pdata);
    EXPECT_EQ(0, record->closeAfterStream);
    EXPECT_STREQ("", record->uid);
    NPP_Destroy(&npp, nullptr);
  }
}

TEST_F(Instance, WincloseNeedsYesInAnyCaseAndStaysSet) {
  const struct Case {
    std::vector<const char*> names, values;
    uint8_t expected;
  } cases[] = {
      {{"WINCLOSE"}, {"Yes"}, 1},  {{"winclose"}, {"no"}, 0},   {{"winclose", "winclose"}, {"yes", "no"}, 1},
      {{"winclose"}, {"yes "}, 0}, {{"win close"}, {"yes"}, 0},
  };
  for (const auto& c : cases) {
    PageInstance page = Create(NP_EMBED, c.names, c.values);
    EXPECT_EQ(c.expected, page.record()->closeAfterStream) << c.names[0] << "=" << c.values[0];
    NPP_Destroy(&page.npp, nullptr);
  }
}

TEST_F(Instance, LaterNonEmptyUidReplacesAndEmptyOneKeeps) {
  PageInstance kept = Create(NP_EMBED, {"UID", "UID"}, {"abc", ""});
  EXPECT_STREQ("abc", kept.record()->uid);
  PageInstance replaced = Create(NP_EMBED, {"UID", "uid"}, {"abc", "xyz"});
  EXPECT_STREQ("xyz", replaced.record()->uid);
  NPP_Destroy(&kept.npp, nullptr);
  NPP_Destroy(&replaced.npp, nullptr);
}

TEST_F(Instance, OverlongUidIsKeptWithinTheBuffer) {
  const std::string longest(1023, 'u');
  const std::string tooLong(5000, 'v');
  PageInstance fits = Create(NP_EMBED, {"UID"}, {longest.c_str()});
  EXPECT_EQ(longest, fits.record()->uid);
  PageInstance cut = Create(NP_EMBED, {"UID"}, {tooLong.c_str()});
  EXPECT_EQ(std::string(1023, 'v'), cut.record()->uid);
  NPP_Destroy(&fits.npp, nullptr);
  NPP_Destroy(&cut.npp, nullptr);
}

TEST_F(Instance, NullNamesValuesAndArraysAreIgnored) {
  PageInstance page = Create(NP_EMBED, {nullptr, "UID", "winclose", "UID"}, {"yes", nullptr, nullptr, "7"});
  EXPECT_STREQ("7", page.record()->uid);
  EXPECT_EQ(0, page.record()->closeAfterStream);
  NPP_t npp = {};
  EXPECT_EQ(NPERR_NO_ERROR, NPP_New(nullptr, &npp, NP_EMBED, 3, nullptr, nullptr, nullptr));
  NPP_Destroy(&page.npp, nullptr);
  NPP_Destroy(&npp, nullptr);
}

TEST_F(Instance, OperaIsRecognisedOnlyWithItsOwnCase) {
  const struct {
    const char* agent;
    uint8_t mayNavigate;
  } cases[] = {
      {"Opera/9.80 (Windows NT 5.1)", 0},
      {"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1) Opera 7.54", 0},
      {"Mozilla/5.0 opera", 1},
      {"Mozilla/5.0 (Windows; en-US) Netscape6/6.2", 1},
      {"", 1},
  };
  for (const auto& c : cases) {
    gFake.userAgent = c.agent;
    PageInstance page = Create(NP_FULL, {}, {});
    EXPECT_EQ(c.mayNavigate, page.record()->mayNavigate) << c.agent;
    NPP_Destroy(&page.npp, nullptr);
  }
  gFake.userAgentIsNull = true;
  PageInstance page = Create(NP_FULL, {}, {});
  EXPECT_EQ(1, page.record()->mayNavigate);
  NPP_Destroy(&page.npp, nullptr);
}

TEST_F(Instance, NullInstanceAndFailedAllocationAreReported) {
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_New(nullptr, nullptr, NP_FULL, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_Destroy(nullptr, nullptr));
  gFake.failAllocations = true;
  NPP_t npp = {reinterpret_cast<void*>(0x1234), nullptr};
  EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, NPP_New(nullptr, &npp, NP_FULL, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ(nullptr, npp.pdata);
  // Every later operation on the record-less instance is refused, harmlessly.
  NPWindow window = {};
  NPStream stream = {};
  stream.url = "http://host/a.zqk";
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_SetWindow(&npp, &window));
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_NewStream(&npp, nullptr, &stream, 0, nullptr));
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_DestroyStream(&npp, &stream, NPRES_DONE));
  EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_Destroy(&npp, nullptr));
  EXPECT_TRUE(gFake.launches.empty());
  EXPECT_EQ(0, gFake.releases);
}

TEST_F(Instance, DestroyReleasesTheRecordAndLeavesSaveAlone) {
  PageInstance page = Create(NP_EMBED, {}, {});
  NPSavedData* saved = reinterpret_cast<NPSavedData*>(0x5678);
  EXPECT_EQ(NPERR_NO_ERROR, NPP_Destroy(&page.npp, &saved));
  EXPECT_EQ(reinterpret_cast<NPSavedData*>(0x5678), saved);
  EXPECT_EQ(nullptr, page.npp.pdata);
  EXPECT_EQ(1, gFake.allocations);
  EXPECT_EQ(1, gFake.releases);
  EXPECT_TRUE(gFake.windowEvents.empty());
}

TEST_F(Instance, PrintLeavesFullPagesToTheBrowserAndEmbedsAlone) {
  PageInstance page = Create(NP_FULL, {}, {});
  NPPrint full = {};
  full.mode = NP_FULL;
  full.print.fullPrint.pluginPrinted = true;
  NPP_Print(&page.npp, &full);
  EXPECT_FALSE(full.print.fullPrint.pluginPrinted);
  NPPrint embed;
  std::memset(&embed, 0x5A, sizeof embed);
  embed.mode = NP_EMBED;
  NPPrint before = embed;
  NPP_Print(&page.npp, &embed);
  EXPECT_EQ(0, std::memcmp(&before, &embed, sizeof embed));
  full.print.fullPrint.pluginPrinted = true;
  NPP_Print(nullptr, &full);
  EXPECT_TRUE(full.print.fullPrint.pluginPrinted);
  NPP_Print(&page.npp, nullptr);
  NPP_Destroy(&page.npp, nullptr);
}

}  // namespace
