// Measures, side by side in one run, what the plug-in adds over the Windows
// calls it has to make: loading and NP_Initialize against loading an empty
// DLL; one document's operations against the bare registry calls they make;
// NPP_Write of a 64 KiB block against an empty function call. The viewer
// launch is replaced by a stub that reports success, so no process is
// started on either side. Then one whole run of the native messaging host
// (start, request, lookup, the stub viewer's launch, reply, exit) against
// starting an empty console program of the same build with the same pipes.
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host_system.h"
#include "npapi.h"

typedef NPError(WINAPI* GetEntryPointsFunction)(NPPluginFuncs*);
typedef NPError(WINAPI* InitializeFunction)(NPNetscapeFuncs*);
typedef NPError(WINAPI* ShutdownFunction)(void);

static LARGE_INTEGER gFrequency;

static std::string Folder(void) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

static double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(gFrequency.QuadPart);
}

// The median over rounds of the time one iteration of work takes, in microseconds.
template <typename Work>
static double MedianMicroseconds(int rounds, int iterations, Work work) {
  std::vector<double> perIteration;
  for (int round = 0; round < rounds; ++round) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < iterations; ++i) work();
    QueryPerformanceCounter(&end);
    perIteration.push_back(Seconds(start, end) * 1e6 / iterations);
  }
  std::sort(perIteration.begin(), perIteration.end());
  return perIteration[perIteration.size() / 2];
}

static void Report(const char* what, double plugin, const char* baseline, double bare) {
  printf("%-44s %10.3f us\n%-44s %10.3f us\n%-44s %10.2f\n\n", what, plugin, baseline, bare, "  ratio",
         plugin / bare);
}

static void* BenchAlloc(uint32_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }
static void BenchFree(void* ptr) { HeapFree(GetProcessHeap(), 0, ptr); }
static const char* BenchUserAgent(NPP) { return "Mozilla/5.0 (Windows; U; Win98) Netscape6/6.2"; }
static NPError BenchGetURL(NPP, const char*, const char*) { return NPERR_NO_ERROR; }

static HINSTANCE WINAPI StartedViewer(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) {
  return reinterpret_cast<HINSTANCE>(42);
}

// Points the library's import of module!function at a replacement.
static bool ReplaceImport(HMODULE library, const char* module, const char* function, void* replacement) {
  BYTE* base = reinterpret_cast<BYTE*>(library);
  const IMAGE_NT_HEADERS* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
       ++entry) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + entry->Name), module) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (lstrcmpA(reinterpret_cast<char*>(name->Name), function) != 0) continue;
      DWORD protection;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      return true;
    }
  }
  return false;
}

static void BenchLoading(const std::string& folder) {
  const std::string plugin = folder + "NPZqk.dll", empty = folder + "empty_plugin.dll";
  NPPluginFuncs table;
  NPNetscapeFuncs browser;
  memset(&browser, 0, sizeof browser);
  browser.size = sizeof browser;
  browser.version = 11;
  const double loaded = MedianMicroseconds(7, 50, [&] {
    HMODULE library = LoadLibraryA(plugin.c_str());
    memset(&table, 0, sizeof table);
    reinterpret_cast<GetEntryPointsFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "NP_GetEntryPoints")))(&table);
    reinterpret_cast<InitializeFunction>(reinterpret_cast<void*>(GetProcAddress(library, "NP_Initialize")))(
        &browser);
    reinterpret_cast<ShutdownFunction>(reinterpret_cast<void*>(GetProcAddress(library, "NP_Shutdown")))();
    FreeLibrary(library);
  });
  const double bare = MedianMicroseconds(7, 50, [&] {
    HMODULE library = LoadLibraryA(empty.c_str());
    GetProcAddress(library, "EmptyExport");
    FreeLibrary(library);
  });
  Report("load NPZqk.dll, NP_Initialize, unload", loaded, "load an empty DLL of the same build, unload",
         bare);
}

static void BenchDocument(const std::string& folder) {
  HMODULE library = LoadLibraryA((folder + "NPZqk.dll").c_str());
  if (!ReplaceImport(library, "SHELL32.dll", "ShellExecuteA", reinterpret_cast<void*>(StartedViewer))) {
    printf("could not replace the viewer launch: no figure for one document\n\n");
    return;
  }
  NPPluginFuncs table;
  memset(&table, 0, sizeof table);
  NPNetscapeFuncs browser;
  memset(&browser, 0, sizeof browser);
  browser.version = 11;
  browser.memalloc = BenchAlloc;
  browser.memfree = BenchFree;
  browser.uagent = BenchUserAgent;
  browser.geturl = BenchGetURL;
  reinterpret_cast<GetEntryPointsFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "NP_GetEntryPoints")))(&table);
  reinterpret_cast<InitializeFunction>(reinterpret_cast<void*>(GetProcAddress(library, "NP_Initialize")))(
      &browser);

  const std::string viewer = "C:\\Program Files\\Tarvik\\TarvikViewer.exe";
  HKEY key;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kViewerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  RegSetValueExA(key, "ActiveXViewer", 0, REG_SZ, reinterpret_cast<const BYTE*>(viewer.c_str()),
                 viewer.size() + 1);
  RegCloseKey(key);

  const char* names[] = {"src", "UID", "winclose"};
  const char* values[] = {"book.zqk", "bench-42", "yes"};
  const double document = MedianMicroseconds(7, 200, [&] {
    NPP_t npp = {nullptr, nullptr};
    table.newp(nullptr, &npp, NP_EMBED, 3, const_cast<char**>(names), const_cast<char**>(values), nullptr);
    NPStream stream;
    memset(&stream, 0, sizeof stream);
    stream.url = "http://books.example/shelf/book.zqk";
    table.newstream(&npp, nullptr, &stream, 0, nullptr);
    table.destroystream(&npp, &stream, NPRES_DONE);
    table.destroy(&npp, nullptr);
  });
  const double bare = MedianMicroseconds(7, 200, [&] {
    HKEY opened;
    char path[260];
    DWORD size = sizeof path;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kViewerKey, 0, KEY_QUERY_VALUE, &opened) == ERROR_SUCCESS) {
      RegQueryValueExA(opened, "ActiveXViewer", nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
      RegCloseKey(opened);
    }
    StartedViewer(nullptr, "open", path, "http://books.example/shelf/book.zqk /UID=bench-42", "c:\\",
                  SW_SHOW);
  });
  Report("one document: new, stream, end, destroy", document, "its bare registry calls", bare);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kViewerKey);

  static char block[64 * 1024];
  const double write =
      MedianMicroseconds(7, 200000, [&] { table.write(nullptr, nullptr, 0, sizeof block, block); });
  int32_t (*volatile empty)(NPP, NPStream*, int32_t, int32_t, void*) = [](NPP, NPStream*, int32_t,
                                                                          int32_t len, void*) { return len; };
  const double call = MedianMicroseconds(7, 200000, [&] { empty(nullptr, nullptr, 0, sizeof block, block); });
  Report("NPP_Write of a 64 KiB block", write, "an empty function call", call);
  FreeLibrary(library);
}

static void BenchNativeHost(const std::string& folder) {
  const std::string host = folder + "npzqk-host.exe";
  if (GetFileAttributesA(host.c_str()) == INVALID_FILE_ATTRIBUTES) return;  // the 64-bit tree has none
  ForgetViewer();
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath());
  const std::string json = "{\"url\":\"http://books.example/shelf/book.zqk\",\"uid\":\"bench-42\"}";
  const uint32_t length = static_cast<uint32_t>(json.size());
  const std::string request = std::string(reinterpret_cast<const char*>(&length), sizeof length) + json;
  bool answered = true;
  const double run = MedianMicroseconds(7, 5, [&] {
    ExpectViewerStart();
    answered = RunProgram(host, "chrome-extension://bench/", "", &request).output.size() > 4 && answered;
  });
  const double bare =
      MedianMicroseconds(7, 5, [&] { RunProgram(folder + "empty_program.exe", "", "", &request); });
  if (!answered) printf("npzqk-host.exe did not answer every request\n");
  Report("npzqk-host.exe: one request, viewer started", run, "an empty console program of the same build",
         bare);
  ForgetViewer();
}

int main(void) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  QueryPerformanceFrequency(&gFrequency);
  const std::string folder = Folder();
  // A browser's process has these loaded already; without them the load
  // figure would time the system DLLs being loaded and unloaded again.
  for (const char* system : {"user32.dll", "gdi32.dll", "shell32.dll", "advapi32.dll"}) LoadLibraryA(system);
  printf("Medians of 7 rounds, per iteration; user32, gdi32, shell32 and advapi32 loaded beforehand.\n\n");
  BenchLoading(folder);
  BenchDocument(folder);
  BenchNativeHost(folder);
  return 0;
}
