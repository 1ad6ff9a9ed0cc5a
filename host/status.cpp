// The status report: what each browser finds where it looks for the host,
// read as the browser reads it, and the viewer as the plug-in finds it.
#include "status.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "extension_ids.h"
#include "host_platform.h"
#include "launch_platform.h"
#include "registration.h"
#include "viewer_launch.h"

namespace json = rapidjson;

struct Place {
  RegistryPlace place;
  const char* name;
};

// Where the browsers look, in their order: the current user's key first,
// then every user's, in the 32-bit view before the 64-bit one.
static std::vector<Place> Places(void) {
  if (!PlatformHasOtherRegistryView()) return {{kUserPlace, "current user"}, {kMachine32Place, "all users"}};
  return {{kUserPlace, "current user"},
          {kMachine32Place, "all users, 32-bit view"},
          {kMachine64Place, "all users, 64-bit view"}};
}

// A manifest's "path" as the browsers take it on Windows: absolute, or in the manifest's folder.
static std::string ProgramOf(const std::string& manifest, const std::string& path) {
  const bool absolute = (path.size() > 2 && path[1] == ':') || path.rfind("\\\\", 0) == 0;
  if (absolute) return path;
  const size_t folderEnd = manifest.find_last_of("\\/");
  return (folderEnd == std::string::npos ? std::string() : manifest.substr(0, folderEnd + 1)) + path;
}

// Whether the manifest's list names one of the extension's IDs.
static bool AllowsExtension(const json::Value& manifest, ManifestKind kind) {
  const char* list = kind == kChromiumManifest ? "allowed_origins" : "allowed_extensions";
  if (!manifest.HasMember(list) || !manifest[list].IsArray()) return false;
  const auto isOurs = [kind](const json::Value& entry) {
    if (!entry.IsString()) return false;
    const std::string id = entry.GetString();
    if (kind == kFirefoxManifest) return id == kFirefoxExtensionId;
    return std::any_of(std::begin(kChromiumExtensionOrigins), std::end(kChromiumExtensionOrigins),
                       [&id](const char* origin) { return id == origin; });
  };
  const auto entries = manifest[list].GetArray();
  return std::any_of(entries.begin(), entries.end(), isOurs);
}

static bool IsString(const json::Value& object, const char* name) {
  return object.HasMember(name) && object[name].IsString();
}

// The manifest a registration names, read as the browser reads it: null when
// the host it names can work, else what stops it.
static const char* CheckManifest(const std::string& path, ManifestKind kind) {
  std::string text;
  if (!HostReadFile(path, &text)) return "the manifest is missing or cannot be read";
  json::Document manifest;
  manifest.Parse(text.c_str(), text.size());
  if (manifest.HasParseError() || !manifest.IsObject() || !IsString(manifest, "path") ||
      !IsString(manifest, "name")) {
    return "the manifest is not a host manifest";
  }
  if (std::string(manifest["name"].GetString()) != kHostName) return "the manifest is another host's";
  const std::string program = ProgramOf(path, manifest["path"].GetString());
  const bool present = HostFileExists(program);
  HostPrintLine("    names " + program + (present ? ", which is there" : ", which is missing"));
  if (!present) return "the program it names is missing";
  return AllowsExtension(manifest, kind) ? nullptr : "the manifest does not allow the NPZqk extension";
}

// One browser: each place it looks, then the registration it uses, the
// first it finds. True when that one can work.
static bool ReportBrowser(const BrowserKey& entry) {
  const std::string key = HostKeyOf(entry);
  HostPrintLine(std::string(entry.browser) + ", key " + key + ":");
  const char* used = nullptr;
  bool works = false;
  for (const Place& place : Places()) {
    std::string manifest;
    if (!HostReadRegistryDefault(place.place, key, &manifest)) {
      HostPrintLine(std::string("  ") + place.name + ": not registered");
      continue;
    }
    HostPrintLine(std::string("  ") + place.name + ": " + manifest);
    const char* problem = CheckManifest(manifest, entry.manifest);
    HostPrintLine(std::string("    ") + (problem == nullptr ? "allows the NPZqk extension" : problem));
    if (used == nullptr) {
      used = place.name;
      works = problem == nullptr;
    }
  }
  if (used == nullptr) {
    HostPrintLine("  => finds no host: run npzqk-host.exe --register, or install the MSI");
  } else {
    HostPrintLine(std::string("  => uses: ") + used + (works ? ", which can work" : ", which cannot work"));
  }
  return works;
}

// The viewer, or the plug-in's message that says it is missing.
static bool ReportViewer(void) {
  char path[kViewerPathCapacity];
  const char* missing = FindViewer(path);
  if (missing == nullptr) {
    const std::string viewer = HostAnsiToText(path);
    HostPrintLine("TarvikViewer: " + viewer + (HostFileExists(viewer) ? "" : ", which is missing"));
    return true;
  }
  HostPrintLine(std::string("TarvikViewer: not found. The plug-in says \"") + missing + "\":");
  std::string text = kViewerMissingText;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    HostPrintLine(line.empty() ? line : "  " + line);
    start = end == std::string::npos ? text.size() + 1 : end + 1;
  }
  return false;
}

bool ReportStatus(void) {
  HostPrintLine(std::string(kProgramName) + " " + kHostVersion +
                (sizeof(void*) == 8 ? " (64-bit)" : " (32-bit)") + ", running from " + HostOwnPath());
  bool hostWorks = false;
  for (const BrowserKey& entry : kBrowserKeys) hostWorks = ReportBrowser(entry) || hostWorks;
  const bool viewerFound = ReportViewer();
  if (hostWorks && viewerFound) {
    HostPrintLine("Ready: the browsers whose host can work open zqk documents in TarvikViewer.");
  } else {
    HostPrintLine(std::string("Not ready:") + (hostWorks ? "" : " no browser finds a host that can work.") +
                  (viewerFound ? "" : " TarvikViewer is missing."));
  }
  return hostWorks && viewerFound;
}
