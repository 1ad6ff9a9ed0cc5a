#include "fake_platform.h"

#include <cstdlib>
#include <cstring>

#include "browser_services.h"

FakePlatform gFake;
NPNetscapeFuncs gFakeBrowser;
static NPPluginFuncs gFakePluginTable;

static intptr_t FakeLauncherProcedure(NativeWindow, unsigned, uintptr_t, intptr_t) { return 0; }
const NativeWindowProc kFakeLauncherProc = FakeLauncherProcedure;

// An open key: the values of its entry in the fake registry.
struct FakeKey {
  // cppcheck-suppress unusedStructMember
  const std::map<std::string, std::string>* values;
};

static void* FakeMemAlloc(uint32_t size) {
  if (gFake.failAllocations) return nullptr;
  ++gFake.allocations;
  return std::malloc(size);
}

static void FakeMemFree(void* ptr) {
  ++gFake.releases;
  std::free(ptr);
}

static const char* FakeUserAgent(NPP) { return gFake.userAgentIsNull ? nullptr : gFake.userAgent.c_str(); }

static NPError FakeGetURL(NPP instance, const char* url, const char* target) {
  gFake.navigations.push_back({instance, url, target});
  return NPERR_NO_ERROR;
}

void ResetFake() {
  gFake = FakePlatform();
  gFakeBrowser = NPNetscapeFuncs();
  gFakeBrowser.size = sizeof gFakeBrowser;
  gFakeBrowser.version = 11;
  gFakeBrowser.memalloc = FakeMemAlloc;
  gFakeBrowser.memfree = FakeMemFree;
  gFakeBrowser.uagent = FakeUserAgent;
  gFakeBrowser.geturl = FakeGetURL;
  NP_GetEntryPoints(&gFakePluginTable);
  NP_Initialize(&gFakeBrowser);
}

void SetRegistryString(RegistryRoot root, const std::string& key, const std::string& name,
                       const std::string& value) {
  gFake.registry[{root, key}][name] = value + std::string(1, '\0');
}

bool PlatformHasOtherRegistryView(void) { return gFake.otherRegistryView; }

bool PlatformOpenKey(RegistryRoot root, const char* path, RegistryKey* key) {
  auto found = gFake.registry.find({root, path});
  if (found == gFake.registry.end()) return false;
  ++gFake.keysOpen;
  *key = new FakeKey{&found->second};
  return true;
}

// Reads as the registry does: a value larger than the buffer is refused with
// the size it needs.
static bool QueryFakeValue(RegistryKey key, const std::string& name, char* buffer, uint32_t capacity,
                           uint32_t* size) {
  const auto* values = static_cast<FakeKey*>(key)->values;
  auto found = values->find(name);
  if (found == values->end()) return false;
  *size = static_cast<uint32_t>(found->second.size());
  if (found->second.size() > capacity) return false;
  std::memcpy(buffer, found->second.data(), found->second.size());
  return true;
}

bool PlatformQueryValue(RegistryKey key, const char* name, char* buffer, uint32_t capacity, uint32_t* size) {
  return QueryFakeValue(key, name, buffer, capacity, size);
}

bool PlatformQueryDefaultValue(RegistryKey key, char* buffer, uint32_t capacity, uint32_t* size) {
  return QueryFakeValue(key, "", buffer, capacity, size);
}

void PlatformCloseKey(RegistryKey key) {
  --gFake.keysOpen;
  delete static_cast<FakeKey*>(key);
}

uintptr_t PlatformShellExecute(const char* verb, const char* file, const char* parameters,
                               const char* directory, int showCommand) {
  gFake.launches.push_back({verb, file, parameters, directory, showCommand});
  auto found = gFake.launchResults.find(file);
  return found == gFake.launchResults.end() ? 42 : found->second;
}

void PlatformMessageBox(const char* text, const char* caption, unsigned style) {
  gFake.messages.push_back({text, caption, style});
  if (gFake.whileMessageShown) gFake.whileMessageShown();
}

NativeWindowProc PlatformSubclassWindow(NativeWindow hwnd) {
  gFake.windowEvents.push_back("subclass");
  if (gFake.unsubclassable.count(hwnd) != 0) return nullptr;
  NativeWindowProc previous = gFake.procedures[hwnd];
  gFake.procedures[hwnd] = kFakeLauncherProc;
  return previous;
}

bool PlatformOwnProcedureOnTop(NativeWindow hwnd) { return gFake.procedures[hwnd] == kFakeLauncherProc; }

void PlatformRestoreWindowProc(NativeWindow hwnd, NativeWindowProc procedure) {
  gFake.windowEvents.push_back("restore");
  gFake.procedures[hwnd] = procedure;
}

void PlatformKeepReplacedProc(NativeWindow hwnd, NativeWindowProc procedure) {
  gFake.replacedProcs[hwnd] = procedure;
}

NativeWindowProc PlatformReplacedProc(NativeWindow hwnd) {
  auto found = gFake.replacedProcs.find(hwnd);
  return found == gFake.replacedProcs.end() ? nullptr : found->second;
}

void PlatformForgetReplacedProc(NativeWindow hwnd) { gFake.replacedProcs.erase(hwnd); }

void PlatformAttachRecord(NativeWindow hwnd, LauncherInstance* record) {
  gFake.windowEvents.push_back("property");
  gFake.properties[hwnd] = record;
}

LauncherInstance* PlatformAttachedRecord(NativeWindow hwnd) {
  auto found = gFake.properties.find(hwnd);
  return found == gFake.properties.end() ? nullptr : found->second;
}

void PlatformForgetRecord(NativeWindow hwnd) { gFake.properties.erase(hwnd); }

void PlatformRepaint(NativeWindow) {
  gFake.windowEvents.push_back("repaint");
  if (gFake.whileRepainting) gFake.whileRepainting();
}

void PlatformKeepLibraryLoaded(void) {
  gFake.windowEvents.push_back("keep library");
  gFake.libraryKept = true;
}
