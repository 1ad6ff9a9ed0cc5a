// How a Windows program's C runtime splits the arguments that follow its
// name on the command line: blanks and tabs separate arguments outside
// double quotes; 2n backslashes before a quote give n backslashes and the
// quote opens or closes quoting, 2n+1 give n backslashes and a literal quote;
// inside quotes, two quotes give one; other backslashes stand for themselves.
#ifndef NPZQK_WINDOWS_ARGUMENTS_H
#define NPZQK_WINDOWS_ARGUMENTS_H

#include <string>
#include <vector>

inline std::vector<std::string> SplitWindowsArguments(const std::string& line) {
  std::vector<std::string> arguments;
  size_t i = 0;
  const auto blank = [&line](size_t at) { return line[at] == ' ' || line[at] == '\t'; };
  for (;;) {
    while (i < line.size() && blank(i)) ++i;
    if (i == line.size()) return arguments;
    std::string argument;
    bool quoted = false;
    while (i < line.size() && (quoted || !blank(i))) {
      size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
      if (i == line.size() || line[i] != '"') {
        argument.append(backslashes, '\\');
        if (i < line.size() && (quoted || !blank(i))) argument += line[i++];
        continue;
      }
      argument.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        argument += '"';
        ++i;
      } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        argument += '"';
        i += 2;
      } else {
        quoted = !quoted;
        ++i;
      }
    }
    arguments.push_back(argument);
  }
}

#endif
