#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "browser_services.h"
#include "fake_platform.h"

namespace {

NPError Dummy(NPP, const char*, const char*) { return 0; }

// The plug-in keeps the browser's tables for as long as it is loaded: like a
// browser's, the tables handed to it here outlive every test.
NPPluginFuncs gPluginTable;
NPNetscapeFuncs gBrowserTable;

TEST(EntryPoints, NullTablesAreRefused) {
  EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, NP_GetEntryPoints(nullptr));
  EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, NP_Initialize(nullptr));
}

TEST(EntryPoints, TableIsFilledButItsSizeAndLaterSlotsAreLeft) {
  NPPluginFuncs& funcs = gPluginTable;
  std::memset(&funcs, 0xAB, sizeof funcs);
  funcs.size = 7;
  ASSERT_EQ(NPERR_NO_ERROR, NP_GetEntryPoints(&funcs));
  EXPECT_EQ(7, funcs.size);
  EXPECT_EQ(11, funcs.version);
  EXPECT_EQ(&NPP_New, funcs.newp);
  EXPECT_EQ(&NPP_Destroy, funcs.destroy);
  EXPECT_EQ(&NPP_SetWindow, funcs.setwindow);
  EXPECT_EQ(&NPP_NewStream, funcs.newstream);
  EXPECT_EQ(&NPP_DestroyStream, funcs.destroystream);
  EXPECT_EQ(&NPP_StreamAsFile, funcs.asfile);
  EXPECT_EQ(&NPP_WriteReady, funcs.writeready);
  EXPECT_EQ(&NPP_Write, funcs.write);
  EXPECT_EQ(&NPP_Print, funcs.print);
  EXPECT_EQ(nullptr, funcs.event);
  NPPluginFuncs untouched;
  std::memset(&untouched, 0xAB, sizeof untouched);
  EXPECT_EQ(0, std::memcmp(&untouched.urlnotify, &funcs.urlnotify,
                           sizeof funcs - offsetof(NPPluginFuncs, urlnotify)));
  EXPECT_EQ(&funcs, gPluginFuncs);
}

TEST(EntryPoints, BrowserMinorVersionDecidesNotificationSlots) {
  NPPluginFuncs& funcs = gPluginTable;
  std::memset(&funcs, 0xAB, sizeof funcs);
  NP_GetEntryPoints(&funcs);
  NPNetscapeFuncs& browser = gBrowserTable;
  browser = NPNetscapeFuncs();
  browser.version = 8;
  EXPECT_EQ(NPERR_NO_ERROR, NP_Initialize(&browser));
  NPPluginFuncs untouched;
  std::memset(&untouched, 0xAB, sizeof untouched);
  EXPECT_EQ(untouched.urlnotify, funcs.urlnotify);
  EXPECT_EQ(untouched.javaClass, funcs.javaClass);
  browser.version = 9;
  EXPECT_EQ(NPERR_NO_ERROR, NP_Initialize(&browser));
  EXPECT_EQ(&NPP_URLNotify, funcs.urlnotify);
  EXPECT_EQ(nullptr, funcs.javaClass);
  EXPECT_EQ(&browser, gBrowserFuncs);
}

TEST(EntryPoints, NewerMajorVersionIsRefusedButTheTableKept) {
  NPNetscapeFuncs& browser = gBrowserTable;
  browser = NPNetscapeFuncs();
  browser.version = 0x0100;
  EXPECT_EQ(NPERR_INCOMPATIBLE_VERSION_ERROR, NP_Initialize(&browser));
  EXPECT_EQ(&browser, gBrowserFuncs);
}

TEST(EntryPoints, ShutdownForgetsTheBrowserAndWrappersThenFailSafely) {
  NPNetscapeFuncs& browser = gBrowserTable;
  browser = NPNetscapeFuncs();
  browser.version = 11;
  browser.geturl = Dummy;
  NP_Initialize(&browser);
  EXPECT_EQ(NPERR_NO_ERROR, NP_Shutdown());
  EXPECT_EQ(nullptr, gBrowserFuncs);
  EXPECT_EQ(nullptr, NPN_MemAlloc(16));
  EXPECT_EQ(nullptr, NPN_UserAgent(nullptr));
  EXPECT_EQ(NPERR_GENERIC_ERROR, NPN_GetURL(nullptr, "a", "b"));
  NPN_MemFree(nullptr);
  // An instance created now, with no browser to allocate from, is refused.
  NPP_t instance = {};
  EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, NPP_New(nullptr, &instance, NP_EMBED, 0, nullptr, nullptr, nullptr));
}

}  // namespace
