// plugin-installer run for real: each case sets the Netscape registry keys,
// runs the installer in a folder holding a NPZqk.dll, and checks the exact
// bytes it wrote, its exit status and the file it left at the destination.
#include <stdio.h>
#include <windows.h>

#include <string>

#include "host_system.h"
#include "wine_test.h"

static const char kNetscape6[] = "SOFTWARE\\Netscape\\Netscape 6";
static const char kNavigator[] = "SOFTWARE\\Netscape\\Netscape Navigator";

static std::string gRoot;  // this run's scratch folder, ending in a backslash
static std::string gWork;  // where the installer runs, with its NPZqk.dll

static std::string Folder(const std::string& name) {
  const std::string path = gRoot + name;
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

// A fresh case: no Netscape in the registry, a new NPZqk.dll in the work folder.
static std::string StartCase(const char* name) {
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Netscape");
  const std::string content = std::string("NPZqk.dll as built for the case: ") + name;
  WriteFileText(gWork + "\\NPZqk.dll", content);
  return content;
}

static void ExpectRun(const char* name, const std::string& expectedOutput) {
  const ProgramRun run = RunProgram(ProgramFolderOf() + "plugin-installer.exe", "", gWork, nullptr);
  ok(run.started, "%s: the installer did not start", name);
  ok(run.exitCode == 0, "%s: exit status %lu", name, run.exitCode);
  ok(run.errors.empty(), "%s: standard error [%s]", name, run.errors.c_str());
  ok(run.output == expectedOutput, "%s: output [%s], expected [%s]", name, run.output.c_str(),
     expectedOutput.c_str());
}

static void SetNetscape6(const std::string& version, const std::string* directory) {
  SetRegistryText(HKEY_LOCAL_MACHINE, kNetscape6, "CurrentVersion", version);
  if (directory != nullptr) {
    const std::string main = std::string(kNetscape6) + "\\" + version + "\\Main";
    SetRegistryText(HKEY_LOCAL_MACHINE, main.c_str(), "Install Directory", *directory);
  }
}

static void SetNavigator(const std::string& version, const std::string* directory) {
  SetRegistryText(HKEY_LOCAL_MACHINE, kNavigator, "CurrentVersion", version);
  if (directory != nullptr) {
    const std::string main = std::string(kNavigator) + "\\" + version + "\\Main";
    SetRegistryText(HKEY_LOCAL_MACHINE, main.c_str(), "Plugins directory", *directory);
  }
}

static void TestNetscape6Only(void) {
  const std::string content = StartCase("Netscape 6 only");
  const std::string directory = Folder("n6") + "\\";
  Folder("n6\\Plugins");
  SetNetscape6("6.2 (en)", &directory);
  const std::string destination = directory + "Plugins\\NPZqk.dll";
  ExpectRun("Netscape 6 only", "ver = 6.2 (en)\r\npath = " + destination + "\r\nOk\r\n");
  ok(ReadFileText(destination) == content, "Netscape 6 only: the file was not copied whole");
}

static void TestNavigatorOnly(void) {
  const std::string content = StartCase("Navigator only");
  const std::string directory = Folder("nav");
  SetNavigator("4.79 (en)", &directory);
  const std::string destination = directory + "\\NPZqk.dll";
  ExpectRun("Navigator only", "ver = 4.79 (en)\r\npath = " + destination + "\r\nOk\r\n");
  ok(ReadFileText(destination) == content, "Navigator only: the file was not copied whole");
}

static void TestBothBrowsers(void) {
  const std::string content = StartCase("both");
  const std::string n6 = Folder("both-n6") + "\\";
  Folder("both-n6\\Plugins");
  const std::string navigator = Folder("both-nav");
  SetNetscape6("6.1", &n6);
  SetNavigator("4.7", &navigator);
  ExpectRun("both", "ver = 6.1\r\npath = " + n6 + "Plugins\\NPZqk.dll\r\nOk\r\n");
  ok(ReadFileText(n6 + "Plugins\\NPZqk.dll") == content, "both: not copied for Netscape 6");
  ok(GetFileAttributesA((navigator + "\\NPZqk.dll").c_str()) == INVALID_FILE_ATTRIBUTES,
     "both: Navigator's folder was written to");
}

static void TestNeither(void) {
  StartCase("neither");
  ExpectRun("neither", "no\r\n");
  // A version that fills its 1024 bytes without a NUL counts as not found.
  SetRegistryBytes(HKEY_LOCAL_MACHINE, kNetscape6, "CurrentVersion", std::string(1024, '6'), REG_SZ);
  ExpectRun("unterminated version", "no\r\n");
}

static void TestMissingMainKeys(void) {
  StartCase("Netscape 6 without Main");
  const std::string navigator = Folder("nomain-nav");
  SetNetscape6("6.2", nullptr);
  SetNavigator("4.7", &navigator);
  ExpectRun("Netscape 6 without Main", "ver = 6.2\r\n");
  ok(GetFileAttributesA((navigator + "\\NPZqk.dll").c_str()) == INVALID_FILE_ATTRIBUTES,
     "Netscape 6 without Main: Navigator was tried");
  StartCase("Navigator without Main");
  SetNavigator("4.7", nullptr);
  ExpectRun("Navigator without Main", "ver = 4.7\r\n");
  StartCase("empty version");
  SetNetscape6("", nullptr);
  ExpectRun("empty version", "ver = \r\n");
}

static void TestFailedCopies(void) {
  StartCase("no Plugins folder");
  const std::string n6 = Folder("noplugins") + "\\";
  SetNetscape6("6.2", &n6);
  ExpectRun("no Plugins folder", "ver = 6.2\r\npath = " + n6 + "Plugins\\NPZqk.dll\r\nerror1\r\n");
  StartCase("missing Navigator folder");
  const std::string missing = gRoot + "no such folder";
  SetNavigator("4.7", &missing);
  ExpectRun("missing Navigator folder", "ver = 4.7\r\npath = " + missing + "\\NPZqk.dll\r\nerror2\r\n");
  StartCase("no NPZqk.dll beside the installer");
  DeleteFileA((gWork + "\\NPZqk.dll").c_str());
  const std::string navigator = Folder("nofile-nav");
  SetNavigator("4.7", &navigator);
  ExpectRun("no NPZqk.dll", "ver = 4.7\r\npath = " + navigator + "\\NPZqk.dll\r\nerror2\r\n");
}

static void TestReplacesOlderCopy(void) {
  const std::string content = StartCase("older copy");
  const std::string navigator = Folder("older-nav");
  WriteFileText(navigator + "\\NPZqk.dll", "an older NPZqk.dll, longer than the new one will be ......");
  SetNavigator("4.7", &navigator);
  ExpectRun("older copy", "ver = 4.7\r\npath = " + navigator + "\\NPZqk.dll\r\nOk\r\n");
  ok(ReadFileText(navigator + "\\NPZqk.dll") == content, "older copy: not replaced");
}

static void TestOverlongRegistryText(void) {
  StartCase("overlong directory");
  const std::string directory = "C:\\" + std::string(1010, 'd');
  SetNetscape6("6.2", &directory);
  ExpectRun("overlong directory", "ver = 6.2\r\npath = " + directory + "Plugins\\NPZqk.dll\r\nerror1\r\n");
  StartCase("overlong version");
  const std::string version(230, 'v');
  SetNavigator(version, nullptr);
  ExpectRun("overlong version", "ver = " + version + "\r\n");
}

static void TestNoVersionResource(void) {
  DWORD handle = 0;
  const std::string program = ProgramFolderOf() + "plugin-installer.exe";
  ok(GetFileVersionInfoSizeA(program.c_str(), &handle) == 0, "the installer carries a version resource");
}

void RunInstallerTests(void) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  gRoot = std::string(temp) + "npzqk-installer-" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(gRoot.c_str(), nullptr);
  gWork = Folder("work");
  TestNetscape6Only();
  TestNavigatorOnly();
  TestBothBrowsers();
  TestNeither();
  TestMissingMainKeys();
  TestFailedCopies();
  TestReplacesOlderCopy();
  TestOverlongRegistryText();
  TestNoVersionResource();
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Netscape");
}
