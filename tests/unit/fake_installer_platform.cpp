#include "fake_installer_platform.h"

#include <algorithm>

FakeInstallerWorld gWorld;

void SetString(const std::string& key, const std::string& name, const std::string& value) {
  gWorld.registry[key][name] = value + std::string(1, '\0');
}

bool InstallerOpenKey(const char* path, InstallerKey* key) {
  gWorld.keysOpened.push_back(path);
  auto found = gWorld.registry.find(path);
  if (found == gWorld.registry.end()) return false;
  ++gWorld.keysOpen;
  *key = &found->second;
  return true;
}

// Reads as the registry does: a value larger than the buffer is refused with
// the size it needs.
bool InstallerQueryValue(InstallerKey key, const char* name, char* buffer, uint32_t* size) {
  const auto* values = static_cast<std::map<std::string, std::string>*>(key);
  auto found = values->find(name);
  if (found == values->end()) return false;
  const uint32_t capacity = *size;
  *size = static_cast<uint32_t>(found->second.size());
  if (found->second.size() > capacity) return false;
  std::copy(found->second.begin(), found->second.end(), buffer);
  return true;
}

void InstallerCloseKey(InstallerKey) { --gWorld.keysOpen; }

bool InstallerCopyFile(const char* source, const char* destination) {
  gWorld.copies.emplace_back(source, destination);
  return gWorld.copySucceeds;
}

void InstallerWrite(const char* text) { gWorld.output += text; }
