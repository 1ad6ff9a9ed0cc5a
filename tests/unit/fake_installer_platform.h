// A recording registry, file copier and standard output for the installer.
#ifndef NPZQK_FAKE_INSTALLER_PLATFORM_H
#define NPZQK_FAKE_INSTALLER_PLATFORM_H

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "installer_platform.h"

struct FakeInstallerWorld {
  std::map<std::string, std::map<std::string, std::string>> registry;  // key -> value -> bytes
  std::vector<std::string> keysOpened;
  int keysOpen = 0;
  bool copySucceeds = true;
  std::vector<std::pair<std::string, std::string>> copies;
  std::string output;
};

extern FakeInstallerWorld gWorld;

// A string value as the registry stores it, with its NUL.
void SetString(const std::string& key, const std::string& name, const std::string& value);

#endif
