// The registration steps: which files go where, which keys name them, and
// what the user is told at each step.
#include "registration.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include "extension_ids.h"
#include "text.h"

namespace json = rapidjson;

const char kHostName[] = "com.quendrix.npzqk";
const char kProgramName[] = "npzqk-host.exe";

const BrowserKey kBrowserKeys[4] = {
    {"Google Chrome", "Software\\Google\\Chrome\\NativeMessagingHosts", kChromiumManifest},
    {"Microsoft Edge", "Software\\Microsoft\\Edge\\NativeMessagingHosts", kChromiumManifest},
    {"Chromium", "Software\\Chromium\\NativeMessagingHosts", kChromiumManifest},
    {"Firefox", "Software\\Mozilla\\NativeMessagingHosts", kFirefoxManifest},
};

std::string HostKeyOf(const BrowserKey& entry) { return std::string(entry.hosts) + "\\" + kHostName; }

static std::string InFolder(const std::string& folder, const std::string& name) {
  std::string path = folder;
  path += '\\';
  path += name;
  return path;
}

static std::string ManifestName(ManifestKind kind) {
  return std::string(kHostName) + (kind == kChromiumManifest ? ".chromium.json" : ".firefox.json");
}

static std::string RootName(InstallScope scope) {
  return scope == kAllUsers ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\";
}

// The host manifest: the Chromium family names the extension by its origin,
// Firefox by its add-on ID.
static std::string ManifestText(ManifestKind kind, const std::string& programPath) {
  json::StringBuffer buffer;
  json::PrettyWriter<json::StringBuffer> writer(buffer);
  writer.StartObject();
  writer.Key("name");
  writer.String(kHostName);
  writer.Key("description");
  writer.String(kHostDescription);
  writer.Key("path");
  writer.String(programPath.c_str());
  writer.Key("type");
  writer.String("stdio");
  const bool chromium = kind == kChromiumManifest;
  writer.Key(chromium ? "allowed_origins" : "allowed_extensions");
  writer.StartArray();
  if (chromium) {
    for (const char* origin : kChromiumExtensionOrigins) writer.String(origin);
  } else {
    writer.String(kFirefoxExtensionId);
  }
  writer.EndArray();
  writer.EndObject();
  return std::string(buffer.GetString()) + "\n";
}

static bool Step(bool done, const std::string& what) {
  HostPrintLine((done ? "  " : "  FAILED: ") + what);
  return done;
}

static bool CopyProgram(const std::string& programPath) {
  const std::string own = HostOwnPath();
  if (EqualsIgnoringAsciiCase(own.c_str(), programPath.c_str())) {
    return Step(true, "program already in place: " + programPath);
  }
  return Step(HostCopyFile(own, programPath), "copied " + own + " to " + programPath);
}

static bool RefuseWithoutAdministrator(InstallScope scope) {
  if (scope != kAllUsers || HostIsAdministrator()) return false;
  HostPrintLine(
      "Registering or unregistering for all users needs an administrator: run it from a "
      "command prompt opened with \"Run as administrator\", or leave out --all-users.");
  return true;
}

static const char* ScopeName(InstallScope scope) {
  return scope == kAllUsers ? "for all users" : "for the current user";
}

bool RegisterHost(InstallScope scope) {
  if (RefuseWithoutAdministrator(scope)) return false;
  const std::string folder = HostProgramFolder(scope);
  HostPrintLine(std::string("Registering ") + kHostName + " " + ScopeName(scope));
  if (!Step(!folder.empty() && HostCreateFolder(folder), "folder " + folder)) return false;
  const std::string programPath = InFolder(folder, kProgramName);
  bool ok = CopyProgram(programPath);
  for (ManifestKind kind : {kChromiumManifest, kFirefoxManifest}) {
    const std::string manifest = InFolder(folder, ManifestName(kind));
    ok = Step(HostWriteFile(manifest, ManifestText(kind, programPath)), "wrote " + manifest) && ok;
  }
  for (const BrowserKey& entry : kBrowserKeys) {
    const std::string manifest = InFolder(folder, ManifestName(entry.manifest));
    ok = Step(HostSetRegistryDefault(scope, HostKeyOf(entry), manifest),
              std::string(entry.browser) + ": " + RootName(scope) + HostKeyOf(entry)) &&
         ok;
  }
  HostPrintLine(ok ? "Registered. The folder this program was started from may now be moved or deleted."
                   : "Registration failed.");
  return ok;
}

static bool Removed(Removal removal, const std::string& what) {
  if (removal == kWasAbsent) return Step(true, "not present: " + what);
  return Step(removal == kRemoved, "removed " + what);
}

bool UnregisterHost(InstallScope scope) {
  if (RefuseWithoutAdministrator(scope)) return false;
  HostPrintLine(std::string("Unregistering ") + kHostName + " " + ScopeName(scope));
  bool ok = true;
  for (const BrowserKey& entry : kBrowserKeys) {
    ok = Removed(HostDeleteRegistryKey(scope, HostKeyOf(entry)), RootName(scope) + HostKeyOf(entry)) && ok;
  }
  const std::string folder = HostProgramFolder(scope);
  if (!Step(!folder.empty(), "folder " + folder)) return false;
  for (const std::string& name :
       {ManifestName(kChromiumManifest), ManifestName(kFirefoxManifest), std::string(kProgramName)}) {
    const std::string path = InFolder(folder, name);
    ok = Removed(HostRemoveFile(path), path) && ok;
  }
  // A folder that holds files of someone else's stays.
  const Removal folderRemoval = HostRemoveFolder(folder);
  if (folderRemoval == kNotRemoved) Step(true, "kept " + folder + ", which holds other files");
  if (folderRemoval != kNotRemoved) Removed(folderRemoval, folder);
  HostPrintLine(ok ? "Unregistered." : "Unregistering failed.");
  return ok;
}
