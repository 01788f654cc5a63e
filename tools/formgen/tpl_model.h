// The form description as read from a .tpl file: plain text fields, still UTF-8.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace formgen {

// key=value; a value is a comma separated list whose elements may be quoted texts.
struct Option {
  std::string key;
  std::vector<std::string> values;
};
using Options = std::vector<Option>;

struct EventBindingSpec {
  std::string event;  // created, clicked, focus_lost, ...
  std::string slot;   // handler slot name
};

struct UnitSpec {
  int line = 0;
  std::string ident;
  uint32_t id = 0;
  std::string name;
  std::string type;
  std::string container;  // ident, or "form"
  int32_t geometry[4] = {};
  std::string flags;
  uint32_t order = 0;
  std::optional<std::string> text;
  std::vector<EventBindingSpec> events;
  Options options;
};

struct TplSpec {
  Options form;
  std::vector<std::string> handlers;
  std::map<std::string, Options> defaults;  // by type name
  std::vector<UnitSpec> units;
};

// Reading failures carry the line they happened on.
struct TplError {
  int line;
  std::string message;
};

}  // namespace formgen
