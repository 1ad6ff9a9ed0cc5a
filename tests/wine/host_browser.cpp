#include "host_browser.h"

#include "host_system.h"

#include <stdio.h>
#include <string.h>

HostBrowser gHost;

// Each record gets pages of its own; a released one is overwritten and then
// made unreadable and kept, so that any later use of it by the plug-in, read
// or write, stops the host at once.
static void* HostMemAlloc(uint32_t size) {
  ++gHost.allocations;
  gHost.log.push_back("memalloc(" + std::to_string(size) + ")");
  return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

static void HostMemFree(void* ptr) {
  ++gHost.releases;
  gHost.log.push_back("memfree");
  MEMORY_BASIC_INFORMATION block;
  if (ptr == nullptr || VirtualQuery(ptr, &block, sizeof block) == 0) return;
  memset(ptr, 0xDD, block.RegionSize);
  DWORD previous = 0;
  VirtualProtect(ptr, block.RegionSize, PAGE_NOACCESS, &previous);
}

static const char* HostUserAgent(NPP) {
  gHost.log.push_back("uagent -> \"" + gHost.userAgent + "\"");
  return gHost.userAgent.c_str();
}

static NPError HostGetURL(NPP instance, const char* url, const char* target) {
  gHost.navigations.push_back({instance, url ? url : "(null)", target ? target : "(null)"});
  gHost.log.push_back(std::string("geturl(\"") + (url ? url : "(null)") + "\", \"" +
                      (target ? target : "(null)") + "\")");
  return NPERR_NO_ERROR;
}

bool LoadPlugin(void) {
  if (gHost.library != nullptr) return true;
  gHost.library = LoadLibraryA((ProgramFolderOf() + "NPZqk.dll").c_str());
  if (gHost.library == nullptr) return false;
  gHost.getEntryPoints = reinterpret_cast<GetEntryPointsFunction>(
      reinterpret_cast<void*>(GetProcAddress(gHost.library, "NP_GetEntryPoints")));
  gHost.initialize = reinterpret_cast<InitializeFunction>(
      reinterpret_cast<void*>(GetProcAddress(gHost.library, "NP_Initialize")));
  gHost.shutdown = reinterpret_cast<ShutdownFunction>(
      reinterpret_cast<void*>(GetProcAddress(gHost.library, "NP_Shutdown")));
  return gHost.getEntryPoints && gHost.initialize && gHost.shutdown;
}

bool LibraryOwns(const void* address) {
  HMODULE owner = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<const char*>(address), &owner);
  return owner != nullptr && owner == gHost.library;
}

bool StartPlugin(void) {
  if (!LoadPlugin()) return false;
  memset(&gHost.plugin, 0, sizeof gHost.plugin);
  gHost.plugin.size = sizeof gHost.plugin;
  memset(&gHost.services, 0, sizeof gHost.services);
  gHost.services.size = sizeof gHost.services;
  gHost.services.version = 11;
  gHost.services.geturl = HostGetURL;
  gHost.services.uagent = HostUserAgent;
  gHost.services.memalloc = HostMemAlloc;
  gHost.services.memfree = HostMemFree;
  if (gHost.userAgent.empty()) gHost.userAgent = "Mozilla/5.0 (Windows; U; Win98) Netscape6/6.2";
  return gHost.getEntryPoints(&gHost.plugin) == NPERR_NO_ERROR &&
         gHost.initialize(&gHost.services) == NPERR_NO_ERROR;
}

void StopPlugin(void) { gHost.shutdown(); }

void NewInstance(HostInstance* instance, uint16_t mode, const std::vector<const char*>& names,
                 const std::vector<const char*>& values) {
  memset(&instance->npp, 0, sizeof instance->npp);
  instance->created = gHost.plugin.newp(const_cast<char*>("application/x-zqk"), &instance->npp, mode,
                                        static_cast<int16_t>(names.size()), const_cast<char**>(names.data()),
                                        const_cast<char**>(values.data()), nullptr);
}

NPError DestroyInstance(HostInstance* instance) {
  NPSavedData* saved = nullptr;
  return gHost.plugin.destroy(&instance->npp, &saved);
}

void DeliverDocument(HostInstance* instance, const char* url) {
  NPStream stream;
  memset(&stream, 0, sizeof stream);
  stream.url = url;
  stream.end = 4096;
  uint16_t type = NP_NORMAL;
  gHost.plugin.newstream(&instance->npp, const_cast<char*>("application/x-zqk"), &stream, 0, &type);
  char block[4096];
  memset(block, 'z', sizeof block);
  const int32_t ready = gHost.plugin.writeready(&instance->npp, &stream);
  const int32_t length = ready < 4096 ? ready : 4096;
  gHost.plugin.write(&instance->npp, &stream, 0, length, block);
  gHost.plugin.destroystream(&instance->npp, &stream, NPRES_DONE);
}

std::vector<SeenMessageBox> DeliverDocumentWatched(HostInstance* instance, const char* url) {
  WatchMessageBoxes();
  DeliverDocument(instance, url);
  return StopWatchingMessageBoxes();
}
