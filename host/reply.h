// The host's one reply to a request, as JSON.
#ifndef NPZQK_REPLY_H
#define NPZQK_REPLY_H

#include <string>

// {"started":true}
std::string StartedReply(void);
// {"started":false,"caption":…,"text":…}: what the plug-in's message box shows.
std::string ViewerMissingReply(const char* caption, const char* text);
// {"version":…,"viewer":…}: the status, the viewer's path as its lookup
// finds it; with viewer null, {"version":…,"viewer":null,"caption":…,"text":…}.
std::string StatusReply(const char* version, const char* viewer, const char* caption, const char* text);
// {"error":…}: the request was refused, for the reason given.
std::string RefusalReply(const char* reason);

#endif
