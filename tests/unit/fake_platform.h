// A recording stand-in for the plug-in's Windows operations and for the
// browser, so that the plug-in's decisions run natively under the sanitizers.
#ifndef NPZQK_FAKE_PLATFORM_H
#define NPZQK_FAKE_PLATFORM_H

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "launcher_instance.h"
#include "platform.h"

struct FakeLaunch {
  std::string verb, file, parameters, directory;
  int showCommand;
};

struct FakeMessage {
  std::string text, caption;
  unsigned style;
};

struct FakeNavigation {
  NPP instance;
  std::string url, target;
};

struct FakePlatform {
  // Registry: (root, key path) -> value name ("" for the default) -> bytes.
  std::map<std::pair<RegistryRoot, std::string>, std::map<std::string, std::string>> registry;
  int keysOpen = 0;
  bool otherRegistryView = false;                  // true: 64-bit Windows
  std::map<std::string, uintptr_t> launchResults;  // by file; 42 when not listed
  std::vector<FakeLaunch> launches;
  std::vector<FakeMessage> messages;
  std::function<void()> whileMessageShown;  // runs while the box is "up"
  // Windows: the procedure each window has now, its properties and repaints.
  std::map<NativeWindow, NativeWindowProc> procedures;
  std::map<NativeWindow, LauncherInstance*> properties;
  std::map<NativeWindow, NativeWindowProc> replacedProcs;
  std::set<NativeWindow> unsubclassable;  // SetWindowLongA fails on these
  std::vector<std::string> windowEvents;
  std::function<void()> whileRepainting;  // runs inside each repaint
  bool libraryKept = false;
  // Browser.
  std::string userAgent = "Mozilla/4.0 (compatible; Test)";
  bool userAgentIsNull = false;
  bool failAllocations = false;
  int allocations = 0;
  int releases = 0;
  std::vector<FakeNavigation> navigations;
};

extern FakePlatform gFake;
extern NPNetscapeFuncs gFakeBrowser;
// The procedure PlatformSubclassWindow installs in the fake.
extern const NativeWindowProc kFakeLauncherProc;

// Starts a test afresh: a clean fake, and the plug-in initialised with the
// fake browser (minor version 11).
void ResetFake();

// A string value as the registry stores it, with its NUL.
void SetRegistryString(RegistryRoot root, const std::string& key, const std::string& name,
                       const std::string& value);

#endif
