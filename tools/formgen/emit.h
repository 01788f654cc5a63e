// Writes the generated sources: the segment as a byte array, and the ids header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/formgen/tpl_model.h"

namespace formgen {

// `source` names the form description both were generated from, as their first line says.
std::string segment_source(const std::vector<uint8_t>& segment, const std::string& header_name,
                           const std::string& source);
std::string ids_header(const TplSpec& spec, uint32_t form_id, const std::string& source);

// "check_device_id" -> "CheckDeviceId"
std::string camel_case(const std::string& snake);

}  // namespace formgen
