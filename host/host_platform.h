// The Windows operations the native messaging host needs beyond the viewer
// launch's, one function each. platform_win32.cpp makes the real calls; the
// native fuzz target links a stand-in for the messaging ones. Paths and
// texts are UTF-8.
#ifndef NPZQK_HOST_PLATFORM_H
#define NPZQK_HOST_PLATFORM_H

#include <stdint.h>

#include <string>

// Standard input and output, unchanged bytes: up to size bytes read, 0 at
// the end of the input; true when every byte was written.
uint32_t HostReadInput(void* buffer, uint32_t size);
bool HostWriteOutput(const void* data, uint32_t size);

// UTF-8 text in the system's ANSI code page, as the viewer will receive it.
enum AnsiConversion { kAnsiExact, kAnsiNoEquivalent, kAnsiTooLong };
// kAnsiNoEquivalent when a character has no exact equivalent there: it is
// never replaced by a look-alike or a default character.
AnsiConversion HostTextToAnsi(const std::string& utf8, char* ansi, uint32_t capacity);

// Where the host is installed: for the current user, or for every user.
enum InstallScope { kCurrentUser, kAllUsers };
enum Removal { kRemoved, kWasAbsent, kNotRemoved };

bool HostIsAdministrator(void);
// The NPZqk folder among the user's own programs or in Program Files; empty
// when Windows does not say where that is.
std::string HostProgramFolder(InstallScope scope);
std::string HostOwnPath(void);
// True when the folder exists afterwards.
bool HostCreateFolder(const std::string& path);
bool HostCopyFile(const std::string& from, const std::string& to);
bool HostWriteFile(const std::string& path, const std::string& content);
// A running program that cannot be deleted is moved out to the temporary folder.
Removal HostRemoveFile(const std::string& path);
// Only an empty folder is removed.
Removal HostRemoveFolder(const std::string& path);
// The key's default value, under HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE.
bool HostSetRegistryDefault(InstallScope scope, const std::string& key, const std::string& value);
// Removes the key, which has no sub-keys of its own.
Removal HostDeleteRegistryKey(InstallScope scope, const std::string& key);
// A line on standard output.
void HostPrintLine(const std::string& line);

// What the status report reads, and only reads. The places where a browser
// looks for a host's key: the current user's, and every user's in the
// registry's 32-bit and 64-bit views (one view on 32-bit Windows).
enum RegistryPlace { kUserPlace, kMachine32Place, kMachine64Place };
// The key's default value; false when there is no key or no such text.
bool HostReadRegistryDefault(RegistryPlace place, const std::string& key, std::string* value);
// The file's bytes, up to kMaxManifestSize; false when it cannot be read or is larger.
const uint32_t kMaxManifestSize = 1024 * 1024;
bool HostReadFile(const std::string& path, std::string* content);
bool HostFileExists(const std::string& path);
// A text of the system's ANSI code page, such as the viewer's registry values, in UTF-8.
std::string HostAnsiToText(const char* ansi);

#endif
