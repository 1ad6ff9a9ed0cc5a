// The library as a browser first meets it: its exports, their calling
// conventions, and the operations table they hand out.
#include <string.h>

#include "host_browser.h"
#include "wine_test.h"

typedef int32_t (*WriteReadyFunction)(NPP, NPStream*);

static void TestExports(void) {
  ok(LoadPlugin(), "NPZqk.dll did not load or lacks an export by name (error %lu)", GetLastError());
  if (gHost.library == nullptr) return;
  const char* names[] = {"NP_GetEntryPoints", "NP_Initialize", "NP_Shutdown"};
  for (int ordinal = 1; ordinal <= 3; ++ordinal) {
    FARPROC byOrdinal = GetProcAddress(gHost.library, MAKEINTRESOURCEA(ordinal));
    FARPROC byName = GetProcAddress(gHost.library, names[ordinal - 1]);
    ok(byOrdinal != nullptr && byOrdinal == byName, "ordinal %d is not %s", ordinal, names[ordinal - 1]);
  }
  ok(GetProcAddress(gHost.library, "_NP_GetEntryPoints@4") == nullptr &&
         GetProcAddress(gHost.library, "NP_GetEntryPoints@4") == nullptr,
     "a decorated export name is visible");
  ok(GetProcAddress(gHost.library, MAKEINTRESOURCEA(4)) == nullptr, "an export beyond ordinal 3");
}

static void TestEntryPointsTable(void) {
  uintptr_t before, after;
  READ_STACK_POINTER(before);
  NPError result = gHost.getEntryPoints(nullptr);
  READ_STACK_POINTER(after);
  ok(result == NPERR_INVALID_FUNCTABLE_ERROR, "null table gave %d", result);
  ok(before == after, "NP_GetEntryPoints does not clean its argument off the stack (WINAPI)");

  NPPluginFuncs table;
  memset(&table, 0xAB, sizeof table);
  table.size = 0x1234;
  NPPluginFuncs untouched = table;
  ok(gHost.getEntryPoints(&table) == NPERR_NO_ERROR, "NP_GetEntryPoints refused a table");
  ok(table.size == 0x1234, "size was written: %u", table.size);
  ok(table.version == 11, "version is %u, not 11", table.version);
  ok(table.event == nullptr, "event slot is not null");
  const void* operations[] = {
      reinterpret_cast<void*>(table.newp),          reinterpret_cast<void*>(table.destroy),
      reinterpret_cast<void*>(table.setwindow),     reinterpret_cast<void*>(table.newstream),
      reinterpret_cast<void*>(table.destroystream), reinterpret_cast<void*>(table.asfile),
      reinterpret_cast<void*>(table.writeready),    reinterpret_cast<void*>(table.write),
      reinterpret_cast<void*>(table.print)};
  for (const void* operation : operations)
    ok(LibraryOwns(operation), "a table slot points outside the library");
  ok(memcmp(&table.urlnotify, &untouched.urlnotify, sizeof table - offsetof(NPPluginFuncs, urlnotify)) == 0,
     "urlnotify, javaClass, getvalue or setvalue were written by NP_GetEntryPoints");

  // Operations use the default (caller-cleans) convention.
  NPStream stream;
  memset(&stream, 0, sizeof stream);
  READ_STACK_POINTER(before);
  const int32_t ready = reinterpret_cast<WriteReadyFunction>(table.writeready)(nullptr, &stream);
  READ_STACK_POINTER(after);
  ok(ready == 268435455, "writeready gave %ld", static_cast<long>(ready));
  ok(before == after, "writeready cleaned its own arguments: not the default convention");
}

static void TestInitialize(void) {
  NPPluginFuncs table;
  memset(&table, 0xAB, sizeof table);
  NPPluginFuncs untouched = table;
  gHost.getEntryPoints(&table);
  NPNetscapeFuncs browser;
  memset(&browser, 0, sizeof browser);
  browser.size = sizeof browser;
  uintptr_t before, after;
  READ_STACK_POINTER(before);
  NPError result = gHost.initialize(nullptr);
  READ_STACK_POINTER(after);
  ok(result == NPERR_INVALID_FUNCTABLE_ERROR, "null browser table gave %d", result);
  ok(before == after, "NP_Initialize does not clean its argument off the stack (WINAPI)");

  browser.version = 0x0100;
  ok(gHost.initialize(&browser) == NPERR_INCOMPATIBLE_VERSION_ERROR, "major version 1 was accepted");
  browser.version = 8;
  ok(gHost.initialize(&browser) == NPERR_NO_ERROR, "minor version 8 was refused");
  ok(table.urlnotify == untouched.urlnotify && table.javaClass == untouched.javaClass,
     "minor version 8 changed urlnotify or javaClass");
  browser.version = 9;
  ok(gHost.initialize(&browser) == NPERR_NO_ERROR, "minor version 9 was refused");
  ok(LibraryOwns(reinterpret_cast<void*>(table.urlnotify)), "urlnotify is not the plug-in's");
  ok(table.javaClass == nullptr, "javaClass is not null");
  table.urlnotify(nullptr, "http://h/", NPRES_DONE, nullptr);  // does nothing, safely
  ok(table.getvalue == untouched.getvalue && table.setvalue == untouched.setvalue,
     "getvalue or setvalue were written");
  READ_STACK_POINTER(before);
  result = gHost.shutdown();
  READ_STACK_POINTER(after);
  ok(result == NPERR_NO_ERROR, "NP_Shutdown gave %d", result);
  ok(before == after, "NP_Shutdown changed the stack");
}

void RunEntryTests(void) {
  TestExports();
  if (gHost.library == nullptr) return;
  TestEntryPointsTable();
  TestInitialize();
}
