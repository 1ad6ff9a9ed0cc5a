// The test host's browser: loads the real NPZqk.dll, hands it a service table
// whose calls are recorded, and drives instances and streams as a browser does.
#ifndef NPZQK_HOST_BROWSER_H
#define NPZQK_HOST_BROWSER_H

#include <string>
#include <vector>

#include "host_system.h"
#include "npapi.h"

typedef NPError(WINAPI* GetEntryPointsFunction)(NPPluginFuncs*);
typedef NPError(WINAPI* InitializeFunction)(NPNetscapeFuncs*);
typedef NPError(WINAPI* ShutdownFunction)(void);

struct RecordedNavigation {
  NPP instance;
  std::string url;
  std::string target;
};

struct HostBrowser {
  HMODULE library;
  GetEntryPointsFunction getEntryPoints;
  InitializeFunction initialize;
  ShutdownFunction shutdown;
  NPPluginFuncs plugin;
  NPNetscapeFuncs services;
  std::string userAgent;
  int allocations;
  int releases;
  std::vector<RecordedNavigation> navigations;
  std::vector<std::string> log;  // every service call, in order, for the demonstration
};

extern HostBrowser gHost;

// Loads the library and looks its exports up by name; false when any is missing.
bool LoadPlugin(void);
// True when the address lies in the loaded NPZqk.dll.
bool LibraryOwns(const void* address);
// NP_GetEntryPoints then NP_Initialize with a browser of version 0.11.
bool StartPlugin(void);
void StopPlugin(void);

// An instance created as a page with these attributes would create it.
struct HostInstance {
  NPP_t npp;
  NPError created;
};
void NewInstance(HostInstance* instance, uint16_t mode, const std::vector<const char*>& names,
                 const std::vector<const char*>& values);
NPError DestroyInstance(HostInstance* instance);

// A whole document stream: new stream, one block of data, end of stream.
void DeliverDocument(HostInstance* instance, const char* url);
// The same, reading and closing every message box shown meanwhile.
std::vector<SeenMessageBox> DeliverDocumentWatched(HostInstance* instance, const char* url);

#endif
