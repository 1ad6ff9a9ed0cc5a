// The installer's flow: find Netscape 6 or Netscape Navigator in the registry,
// copy NPZqk.dll into its plug-in folder and report each stage.
#include "installer.h"

#include "installer_platform.h"

static const char kNetscape6Key[] = "SOFTWARE\\Netscape\\Netscape 6";
static const char kNavigatorKey[] = "SOFTWARE\\Netscape\\Netscape Navigator";
static const char kVersionValue[] = "CurrentVersion";
static const char kPluginFile[] = "NPZqk.dll";

bool JoinTexts(char* destination, uint32_t capacity, const char* const texts[], uint32_t count) {
  if (capacity == 0) return false;
  uint32_t at = 0;
  for (uint32_t t = 0; t < count; ++t) {
    for (const char* c = texts[t]; *c != '\0'; ++c) {
      if (at + 1 >= capacity) {
        destination[0] = '\0';
        return false;
      }
      destination[at++] = *c;
    }
  }
  destination[at] = '\0';
  return true;
}

// A registry string is usable when it holds a NUL within what was read, or
// when the NUL can be added after it; one that fills the buffer without a
// NUL would be used cut short, and counts as not read.
static bool TerminateValue(char* buffer, uint32_t capacity, uint32_t size) {
  if (size > capacity) return false;
  for (uint32_t i = 0; i < size; ++i) {
    if (buffer[i] == '\0') return true;
  }
  if (size == capacity) return false;
  buffer[size] = '\0';
  return true;
}

static bool ReadValue(const char* keyName, const char* valueName, char* buffer, uint32_t capacity) {
  if (buffer == nullptr || capacity == 0) return false;
  InstallerKey key = nullptr;
  if (!InstallerOpenKey(keyName, &key)) return false;
  uint32_t size = capacity;
  const bool read = InstallerQueryValue(key, valueName, buffer, &size);
  InstallerCloseKey(key);
  return read && TerminateValue(buffer, capacity, size);
}

// Reads the value from the browser's "<browser key>\<version>\Main" key.
static bool ReadMainValue(const char* browserKey, const char* version, const char* valueName, char* buffer,
                          uint32_t capacity) {
  if (version == nullptr) return false;
  const char* const parts[] = {browserKey, "\\", version, "\\Main"};
  char keyName[kKeyNameCapacity];
  if (!JoinTexts(keyName, sizeof keyName, parts, 4)) return false;
  return ReadValue(keyName, valueName, buffer, capacity);
}

bool GetNetscape6Version(char* version, uint32_t capacity) {
  return ReadValue(kNetscape6Key, kVersionValue, version, capacity);
}

bool GetNetscape6InstallDir(const char* version, char* directory, uint32_t capacity) {
  return ReadMainValue(kNetscape6Key, version, "Install Directory", directory, capacity);
}

bool GetNavigatorVersion(char* version, uint32_t capacity) {
  return ReadValue(kNavigatorKey, kVersionValue, version, capacity);
}

bool GetNavigatorPluginsDir(const char* version, char* directory, uint32_t capacity) {
  return ReadMainValue(kNavigatorKey, version, "Plugins directory", directory, capacity);
}

// What differs between the two browsers once the directory is known.
struct BrowserTarget {
  const char* pathAfterDirectory;
  const char* copyFailedText;
};

static const BrowserTarget kNetscape6Target = {"Plugins\\NPZqk.dll", "error1\n"};
static const BrowserTarget kNavigatorTarget = {"\\NPZqk.dll", "error2\n"};

static void WriteLine(const char* label, const char* value, const char* rest) {
  InstallerWrite(label);
  InstallerWrite(value);
  InstallerWrite(rest);
}

// Copies the plug-in to the directory. A destination longer than its buffer
// is shown whole and reported as a failed copy: a cut path is never copied to.
static void CopyInto(const char* directory, const BrowserTarget* target) {
  WriteLine("path = ", directory, target->pathAfterDirectory);
  InstallerWrite("\n");
  const char* const parts[] = {directory, target->pathAfterDirectory};
  char destination[kRegistryTextCapacity];
  const bool copied =
      JoinTexts(destination, sizeof destination, parts, 2) && InstallerCopyFile(kPluginFile, destination);
  InstallerWrite(copied ? "Ok\n" : target->copyFailedText);
}

void RunInstaller(void) {
  char version[kRegistryTextCapacity];
  char directory[kRegistryTextCapacity];
  if (GetNetscape6Version(version, sizeof version)) {
    WriteLine("ver = ", version, "\n");
    // Without its directory the run ends here: Navigator is not tried.
    if (GetNetscape6InstallDir(version, directory, sizeof directory)) {
      CopyInto(directory, &kNetscape6Target);
    }
  } else if (GetNavigatorVersion(version, sizeof version)) {
    WriteLine("ver = ", version, "\n");
    if (GetNavigatorPluginsDir(version, directory, sizeof directory)) {
      CopyInto(directory, &kNavigatorTarget);
    }
  } else {
    InstallerWrite("no\n");
  }
}
