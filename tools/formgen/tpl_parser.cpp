// Reads the line-oriented .tpl description. Fields are split only outside quoted texts, so
// captions may contain "|", "," and blanks.
#include "tools/formgen/tpl_parser.h"

#include <cstdlib>
#include <string>

namespace formgen {
namespace {

std::string trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// Splits at separator characters that are not inside a quoted text.
template <typename IsSep>
std::vector<std::string> split(const std::string& s, IsSep is_sep, bool keep_empty) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (quoted && c == '\\' && i + 1 < s.size()) {
      cur += c;
      cur += s[++i];
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (!quoted && is_sep(c)) {
      if (keep_empty || !cur.empty()) out.push_back(trim(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (quoted) throw TplError{0, "unterminated quoted text"};
  if (keep_empty || !cur.empty()) out.push_back(trim(cur));
  return out;
}

std::vector<std::string> words(const std::string& s) {
  return split(s, [](char c) { return c == ' ' || c == '\t'; }, false);
}

bool is_quoted(const std::string& s) { return s.size() >= 2 && s.front() == '"' && s.back() == '"'; }

std::string unquote(const std::string& s) {
  if (!is_quoted(s)) return s;
  std::string out;
  for (size_t i = 1; i + 1 < s.size(); ++i) {
    if (s[i] == '\\' && i + 2 < s.size()) ++i;
    out += s[i];
  }
  return out;
}

int64_t to_int(const std::string& s) {
  if (s.empty()) throw TplError{0, "number expected"};
  char* end = nullptr;
  const long long v = std::strtoll(s.c_str(), &end, 0);
  if (*end != '\0') throw TplError{0, "not a number: " + s};
  return v;
}

Options parse_options(const std::vector<std::string>& tokens, size_t first) {
  Options out;
  for (size_t i = first; i < tokens.size(); ++i) {
    const size_t eq = tokens[i].find('=');
    if (eq == std::string::npos || eq == 0) throw TplError{0, "option key=value expected: " + tokens[i]};
    Option o{tokens[i].substr(0, eq), {}};
    for (const auto& v : split(tokens[i].substr(eq + 1), [](char c) { return c == ','; }, true))
      o.values.push_back(unquote(v));
    out.push_back(std::move(o));
  }
  return out;
}

std::vector<EventBindingSpec> parse_events(const std::string& field) {
  std::vector<EventBindingSpec> out;
  if (field == "-") return out;
  for (const auto& w : words(field)) {
    const size_t colon = w.find(':');
    if (colon == std::string::npos) throw TplError{0, "event:handler expected: " + w};
    out.push_back({w.substr(0, colon), w.substr(colon + 1)});
  }
  return out;
}

UnitSpec parse_unit(const std::string& line) {
  auto f = split(line, [](char c) { return c == '|'; }, true);
  if (f.size() != 12) throw TplError{0, "a unit line has 11 columns"};
  UnitSpec u;
  u.ident = f[1];
  u.id = static_cast<uint32_t>(to_int(f[2]));
  if (!is_quoted(f[3])) throw TplError{0, "unit name must be quoted"};
  u.name = unquote(f[3]);
  u.type = f[4];
  u.container = f[5];
  const auto g = words(f[6]);
  if (g.size() != 4) throw TplError{0, "geometry is left top width height"};
  for (int i = 0; i < 4; ++i) u.geometry[i] = static_cast<int32_t>(to_int(g[i]));
  u.flags = f[7];
  u.order = static_cast<uint32_t>(to_int(f[8]));
  if (f[9] != "-") {
    if (!is_quoted(f[9])) throw TplError{0, "text must be quoted or -"};
    u.text = unquote(f[9]);
  }
  u.events = parse_events(f[10]);
  u.options = parse_options(words(f[11]), 0);
  return u;
}

void parse_line(const std::string& line, TplSpec& spec) {
  const auto w = words(line);
  if (w[0] == "unit") {
    spec.units.push_back(parse_unit(line));
  } else if (w[0] == "form") {
    spec.form = parse_options(w, 1);
  } else if (w[0] == "handlers") {
    spec.handlers.assign(w.begin() + 1, w.end());
  } else if (w[0] == "defaults" && w.size() >= 2) {
    spec.defaults[w[1]] = parse_options(w, 2);
  } else {
    throw TplError{0, "unknown line kind: " + w[0]};
  }
}

}  // namespace

TplSpec parse_tpl(std::istream& in) {
  TplSpec spec;
  std::string line;
  int line_no = 0;
  while (std::getline(in, line)) {
    ++line_no;
    const std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    try {
      parse_line(t, spec);
      if (t.rfind("unit", 0) == 0) spec.units.back().line = line_no;
    } catch (TplError& e) {
      e.line = line_no;
      throw;
    }
  }
  return spec;
}

int64_t option_int(const Option& o, size_t index) {
  if (index >= o.values.size()) throw TplError{0, "option " + o.key + " needs more values"};
  return to_int(o.values[index]);
}

const std::string& option_text(const Option& o, size_t index) {
  if (index >= o.values.size()) throw TplError{0, "option " + o.key + " needs more values"};
  return o.values[index];
}

}  // namespace formgen
