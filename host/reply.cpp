// The replies, written by the JSON library, which escapes what needs it.
#include "reply.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace json = rapidjson;

std::string StartedReply(void) {
  json::StringBuffer buffer;
  json::Writer<json::StringBuffer> writer(buffer);
  writer.StartObject();
  writer.Key("started");
  writer.Bool(true);
  writer.EndObject();
  return buffer.GetString();
}

std::string ViewerMissingReply(const char* caption, const char* text) {
  json::StringBuffer buffer;
  json::Writer<json::StringBuffer> writer(buffer);
  writer.StartObject();
  writer.Key("started");
  writer.Bool(false);
  writer.Key("caption");
  writer.String(caption);
  writer.Key("text");
  writer.String(text);
  writer.EndObject();
  return buffer.GetString();
}

std::string RefusalReply(const char* reason) {
  json::StringBuffer buffer;
  json::Writer<json::StringBuffer> writer(buffer);
  writer.StartObject();
  writer.Key("error");
  writer.String(reason);
  writer.EndObject();
  return buffer.GetString();
}
