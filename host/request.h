// One request of the browser extension: a JSON object whose "url" is the
// document's absolute URL and whose "uid" is the page's UID, both strings.
#ifndef NPZQK_REQUEST_H
#define NPZQK_REQUEST_H

#include <stddef.h>

#include <string>

// How deeply a request's values may nest: the extension's own members are flat.
const unsigned kMaxRequestNesting = 16;

struct HostRequest {
  std::string url;  // UTF-8
  std::string uid;  // UTF-8
};

// Reads the request in the length bytes of json. Returns null when it is one
// the viewer may be started for, else the short reason it is refused: not
// JSON, not valid UTF-8, not an object, nested too deeply, a member missing,
// not a string or given twice, a URL that is not an absolute http, https or
// file URL, or a control character in either text. Other members are ignored.
const char* ReadRequest(const char* json, size_t length, HostRequest* request);

#endif
