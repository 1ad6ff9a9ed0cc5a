// Reading the extension's request with the JSON library's event reader: it
// validates UTF-8 and runs without recursion, and only the two top-level
// members the host needs are kept.
#include "request.h"

#include <algorithm>

#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include "text.h"

namespace json = rapidjson;

static const char kNotJson[] = "the message is not JSON";
static const char kNotUtf8[] = "the message is not valid UTF-8";
static const char kNotAnObject[] = "the message is not a JSON object";
static const char kTooDeep[] = "the message is nested too deeply";
static const char kDuplicate[] = "a member is given twice";

static const char kStatusNotTrue[] = "\"status\" is not true";

enum RequestMember { kUrlMember, kUidMember, kStatusMember, kOtherMember };

// Follows the reader's events: the top-level object's url and uid members
// must be strings, its status true; whatever else it holds may nest only so
// deep.
struct RequestEvents : json::BaseReaderHandler<json::UTF8<>, RequestEvents> {
  HostRequest* request = nullptr;
  const char* refusal = nullptr;
  unsigned depth = 0;
  RequestMember member = kOtherMember;
  bool seen[3] = {false, false, false};

  bool Refuse(const char* reason) {
    refusal = reason;
    return false;
  }
  bool Value(const char* text, json::SizeType length) {
    if (depth == 0) return Refuse(kNotAnObject);
    if (depth > 1 || member == kOtherMember) return true;
    if (member == kStatusMember) return Refuse(kStatusNotTrue);
    if (text == nullptr)
      return Refuse(member == kUrlMember ? "\"url\" is not a string" : "\"uid\" is not a string");
    (member == kUrlMember ? request->url : request->uid).assign(text, length);
    return true;
  }
  bool Enter() { return ++depth <= kMaxRequestNesting || Refuse(kTooDeep); }
  bool Default() { return Value(nullptr, 0); }
  bool Bool(bool truth) {
    if (depth != 1 || member != kStatusMember) return Value(nullptr, 0);
    request->status = truth;
    return truth || Refuse(kStatusNotTrue);
  }
  bool String(const char* text, json::SizeType length, bool) { return Value(text, length); }
  bool StartObject() { return (depth == 0 || Value(nullptr, 0)) && Enter(); }
  bool StartArray() { return Value(nullptr, 0) && Enter(); }
  bool Leave() {
    --depth;
    return true;
  }
  bool EndObject(json::SizeType) { return Leave(); }
  bool EndArray(json::SizeType) { return Leave(); }
  bool Key(const char* text, json::SizeType length, bool) {
    if (depth != 1) return true;
    const std::string name(text, length);
    member = name == "url"      ? kUrlMember
             : name == "uid"    ? kUidMember
             : name == "status" ? kStatusMember
                                : kOtherMember;
    if (member == kOtherMember) return true;
    if (seen[member]) return Refuse(kDuplicate);
    seen[member] = true;
    return true;
  }
};

static bool HasControlCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; });
}

// The URL holds no NUL here: control characters are refused before.
static bool StartsWithIgnoringCase(const std::string& text, const char* prefix) {
  return EqualsIgnoringAsciiCase(text.substr(0, std::char_traits<char>::length(prefix)).c_str(), prefix);
}

// http and https with a host.
static bool IsWebUrl(const std::string& url) {
  for (const char* scheme : {"http://", "https://"}) {
    if (!StartsWithIgnoringCase(url, scheme)) continue;
    const size_t host = std::char_traits<char>::length(scheme);
    return host < url.size() && url.find_first_of("/?#", host) != host;
  }
  return false;
}

static bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A file URL in one of its two plain forms: a drive's path (file:///C:/...)
// or a server's share, its host written out (file://server/share/...). The
// viewer may read any other spelling (file:////server/..., backslashes, an
// escaped separator) as a path on another computer, and so hand that
// computer the user's Windows credentials: no separator is escaped or a
// backslash anywhere, a host is letters, digits, '-', '_' and '.', and a
// share has a name.
static bool IsPlainFileUrl(const std::string& url) {
  if (!StartsWithIgnoringCase(url, "file://") || url.find('\\') != std::string::npos) return false;
  for (size_t escape = url.find('%'); escape != std::string::npos; escape = url.find('%', escape + 1)) {
    const std::string code = url.substr(escape, 3);
    if (EqualsIgnoringAsciiCase(code.c_str(), "%2F") || EqualsIgnoringAsciiCase(code.c_str(), "%5C"))
      return false;
  }
  const std::string rest = url.substr(std::char_traits<char>::length("file://"));
  if (rest.size() >= 4 && rest[0] == '/' && IsAsciiLetter(rest[1]) && rest[2] == ':' && rest[3] == '/')
    return true;
  const size_t host = rest.find('/');
  if (host == 0 || host == std::string::npos) return false;
  const std::string name = rest.substr(0, host);
  const bool hostWritten = std::all_of(name.begin(), name.end(), [](char c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
  });
  return hostWritten && host + 1 < rest.size() && rest.find_first_of("/?#", host + 1) != host + 1;
}

const char* ReadRequest(const char* json, size_t length, HostRequest* request) {
  RequestEvents events;
  events.request = request;
  json::MemoryStream stream(json, length);
  json::Reader reader;
  const json::ParseResult parsed =
      reader.Parse<json::kParseIterativeFlag | json::kParseValidateEncodingFlag>(stream, events);
  if (events.refusal != nullptr) return events.refusal;
  if (parsed.Code() == json::kParseErrorStringInvalidEncoding) return kNotUtf8;
  // The reader takes a NUL byte for the end: one inside the message is not JSON.
  if (parsed.IsError() || stream.Tell() != length) return kNotJson;
  if (events.seen[kStatusMember]) {
    return events.seen[kUrlMember] || events.seen[kUidMember] ? "a status request asks for no document"
                                                              : nullptr;
  }
  if (!events.seen[kUrlMember]) return "\"url\" is missing";
  if (!events.seen[kUidMember]) return "\"uid\" is missing";
  if (HasControlCharacter(request->url)) return "\"url\" holds a control character";
  if (HasControlCharacter(request->uid)) return "\"uid\" holds a control character";
  if (StartsWithIgnoringCase(request->url, "file:") && !IsPlainFileUrl(request->url))
    return "\"url\" is a file URL neither of a drive (file:///C:/...) nor of a server's share "
           "(file://server/share/...)";
  if (!IsWebUrl(request->url) && !IsPlainFileUrl(request->url))
    return "\"url\" is not an absolute http, https or file URL";
  return nullptr;
}
