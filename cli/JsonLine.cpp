#include "JsonLine.h"

#include <cstdio>
#include <vector>

namespace {

// The length of the valid UTF-8 sequence at `at`, or 0.
size_t Utf8Length(const std::string& text, size_t at) {
  const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  unsigned minimum = 0;
  unsigned value = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, minimum = 0x80, value = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, minimum = 0x800, value = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, minimum = 0x10000, value = lead & 0x07;
  else return 0;
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(at + i) & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (size_t at = 0; at < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    const size_t length = Utf8Length(text, at);
    if (length == 0) {
      out += "\\ufffd";
      ++at;
      continue;
    }
    if (c == '"' || c == '\\') {
      out.append(1, '\\').append(1, static_cast<char>(c));
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out.append(text, at, length);
    }
    at += length;
  }
  return out + "\"";
}

bool IsInteger(const std::string& value) {
  size_t start = value.size() > 1 && value[0] == '-' ? 1 : 0;
  if (start == value.size() || (value[start] == '0' && value.size() > start + 1)) return false;
  for (size_t i = start; i < value.size(); ++i) {
    if (value[i] < '0' || value[i] > '9') return false;
  }
  return true;
}

// A space-separated list of integers; an empty value is an empty list.
bool IsIntegerList(const std::string& value) {
  size_t start = 0;
  while (start < value.size()) {
    size_t end = value.find(' ', start);
    if (end == std::string::npos) end = value.size();
    if (!IsInteger(value.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

std::string ValueOf(const std::string& key, const std::string& value) {
  if (value == "true" || value == "false" || value == "null" || IsInteger(value)) return value;
  // Lists are the facts whose keys end in "_numbers".
  const bool list = key.size() > 8 && key.compare(key.size() - 8, 8, "_numbers") == 0;
  if (list && IsIntegerList(value)) {
    std::string array = "[";
    for (char c : value) array += c == ' ' ? ',' : c;
    return array + "]";
  }
  return Quoted(value);
}

const char* ResultWord(FileStatus status) {
  switch (status) {
    case FileStatus::done: return "repaired";
    case FileStatus::failed: return "failed";
    case FileStatus::interrupted:
    case FileStatus::notStarted: break;
  }
  return "stopped";
}

}  // namespace

std::string JsonLine(const FileOutcome& outcome, bool thorough, bool check) {
  std::string line = "{\"source\":" + Quoted(outcome.source);
  line += ",\"destination\":" + (check ? std::string("null") : Quoted(outcome.destination));
  line += ",\"result\":\"" + std::string(ResultWord(outcome.status)) + "\"";
  line += ",\"mode\":\"" + std::string(thorough ? "thorough" : "classic") + "\"";
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", outcome.seconds);
  line += ",\"seconds\":" + std::string(seconds);
  if (outcome.status == FileStatus::failed) line += ",\"error\":" + Quoted(outcome.error);
  std::vector<std::string> losses;
  for (const auto& [key, value] : outcome.report.Facts()) {
    if (key == "loss") {
      losses.push_back(value);
    } else if (key != "source" && key != "destination" && key != "result" && key != "mode" && key != "seconds" &&
               key != "error" && key != "losses") {
      line += "," + Quoted(key) + ":" + ValueOf(key, value);
    }
  }
  if (!outcome.report.Empty()) {
    line += ",\"losses\":[";
    for (size_t i = 0; i < losses.size(); ++i) line += (i == 0 ? "" : ",") + Quoted(losses[i]);
    line += "]";
  }
  return line + "}";
}
