// The replies, written by the JSON library, which escapes what needs it.
#include "reply.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

typedef rapidjson::Writer<rapidjson::StringBuffer> JsonWriter;

// One JSON object, its members written by members().
template <typename Members>
static std::string JsonObject(Members members) {
  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  members(writer);
  writer.EndObject();
  return buffer.GetString();
}

std::string StartedReply(void) {
  return JsonObject([](JsonWriter& writer) {
    writer.Key("started");
    writer.Bool(true);
  });
}

std::string ViewerMissingReply(const char* caption, const char* text) {
  return JsonObject([caption, text](JsonWriter& writer) {
    writer.Key("started");
    writer.Bool(false);
    writer.Key("caption");
    writer.String(caption);
    writer.Key("text");
    writer.String(text);
  });
}

std::string StatusReply(const char* version, const char* viewer, const char* caption, const char* text) {
  return JsonObject([=](JsonWriter& writer) {
    writer.Key("version");
    writer.String(version);
    writer.Key("viewer");
    if (viewer != nullptr) {
      writer.String(viewer);
      return;
    }
    writer.Null();
    writer.Key("caption");
    writer.String(caption);
    writer.Key("text");
    writer.String(text);
  });
}

std::string RefusalReply(const char* reason) {
  return JsonObject([reason](JsonWriter& writer) {
    writer.Key("error");
    writer.String(reason);
  });
}
