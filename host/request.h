// One request of the browser extension: a JSON object whose "url" is the
// document's absolute URL and whose "uid" is the page's UID, both strings;
// or, from the extension's options page, {"status": true}, which asks how
// this computer stands and starts nothing.
#ifndef NPZQK_REQUEST_H
#define NPZQK_REQUEST_H

#include <stddef.h>

#include <string>

// How deeply a request's values may nest: the extension's own members are flat.
const unsigned kMaxRequestNesting = 16;

struct HostRequest {
  std::string url;      // UTF-8
  std::string uid;      // UTF-8
  bool status = false;  // the status request: no url, no uid
};

// Reads the request in the length bytes of json. Returns null when it is one
// the viewer may be started for, or the status request, else the short
// reason it is refused: not JSON, not valid UTF-8, not an object, nested too
// deeply, a member missing, not a string or given twice, a URL that is not an
// absolute http, https or file URL (a file URL only as a drive's path or a
// server's share, its host written out), a control character in either text, a
// "status" that is not true or that comes with a document. Other members are
// ignored.
const char* ReadRequest(const char* json, size_t length, HostRequest* request);

#endif
