#include "platform/json_text.h"

#include <nlohmann/json.hpp>

namespace platform {
namespace {

using Json = nlohmann::json;

// Takes the members of one flat object of strings; any other event refuses the text.
class StringMembers final : public nlohmann::json_sax<Json> {
 public:
  JsonMembers members;

  bool start_object(std::size_t) override { return depth_++ == 0; }
  bool end_object() override { return --depth_ == 0; }
  bool key(string_t& key) override {
    members.emplace_back(std::move(key), std::string());
    return true;
  }
  bool string(string_t& value) override {
    if (depth_ != 1 || members.empty()) return false;
    members.back().second = std::move(value);
    return true;
  }
  bool null() override { return false; }
  bool boolean(bool) override { return false; }
  bool number_integer(number_integer_t) override { return false; }
  bool number_unsigned(number_unsigned_t) override { return false; }
  bool number_float(number_float_t, const string_t&) override { return false; }
  bool binary(binary_t&) override { return false; }
  bool start_array(std::size_t) override { return false; }
  bool end_array() override { return false; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

 private:
  int depth_ = 0;
};

}  // namespace

std::string json_string(std::string_view utf8) {
  const std::string dumped = Json(std::string(utf8)).dump(-1, ' ', false, Json::error_handler_t::replace);
  // The library writes \b and \f by name, other control characters with small hex digits
  // and DEL as it is; the texts written before it came did not.
  std::string out;
  out.reserve(dumped.size());
  for (size_t i = 0; i < dumped.size(); ++i) {
    const char c = dumped[i];
    if (c == '\x7F') {
      out += "\\u007F";
    } else if (c != '\\' || i + 1 == dumped.size()) {
      out += c;
    } else if (const char escaped = dumped[++i]; escaped == 'b') {
      out += "\\u0008";
    } else if (escaped == 'f') {
      out += "\\u000C";
    } else {
      out += '\\';
      out += escaped;
      for (size_t n = 0; escaped == 'u' && n < 4 && i + 1 < dumped.size(); ++n) {
        const char h = dumped[++i];
        out += h >= 'a' && h <= 'f' ? static_cast<char>(h - 'a' + 'A') : h;
      }
    }
  }
  return out;
}

std::optional<JsonMembers> json_string_members(std::string_view json) {
  StringMembers sax;
  if (!Json::sax_parse(json, &sax, Json::input_format_t::json, true)) return std::nullopt;
  return std::move(sax.members);
}

}  // namespace platform
