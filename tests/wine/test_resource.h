// Reading a library's version resource through the Windows version API.
#ifndef NPZQK_TEST_RESOURCE_H
#define NPZQK_TEST_RESOURCE_H

#include <string>
#include <vector>

std::vector<std::string> SplitList(const std::string& list);
bool ReadVersionInfo(const std::string& path, std::vector<char>* data);
bool QueryString(std::vector<char>* data, const char* key, std::string* value);

#endif
