// Installing the host where the browsers look for it, and removing exactly
// that again.
#ifndef NPZQK_REGISTRATION_H
#define NPZQK_REGISTRATION_H

#include "host_platform.h"

#include <string>

// The host's name, as the extension asks for it and the browsers' registry keys give it.
extern const char kHostName[];
extern const char kProgramName[];

enum ManifestKind { kChromiumManifest, kFirefoxManifest };

// Where a browser looks for its hosts, and the manifest it reads.
struct BrowserKey {
  const char* browser;
  const char* hosts;  // the browser's key of hosts, under HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE
  ManifestKind manifest;
};

extern const BrowserKey kBrowserKeys[4];

// The key this host is registered under: its own name among the browser's hosts.
std::string HostKeyOf(const BrowserKey& entry);

// Copies this program into the scope's program folder, writes the host
// manifests for the Chromium family and for Firefox beside it, and points
// each browser's registry key at its manifest. Each step is reported on
// standard output; false when one failed. Running it again is harmless.
bool RegisterHost(InstallScope scope);

// Removes what RegisterHost wrote for the scope, and nothing else: the
// registry keys, the manifests, the copy, and the folder once empty.
bool UnregisterHost(InstallScope scope);

#endif
