# The JSON library: Debian's nlohmann-json3-dev, headers only. The cross compilers (MinGW-w64,
# emscripten) must not search the build machine's /usr/include, where the package puts them,
# so every build reaches them through a folder of its own that holds nothing else
# (<build>/json-include/nlohmann, a link to the package's folder). Only platform/json_text.cpp
# includes them (dtu_platform_json): they cost a unit two to five seconds to compile.
find_path(DTU_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include /usr/local/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
          DOC "The folder that holds nlohmann/json.hpp")
if(NOT DTU_JSON_INCLUDE)
  message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (or set DTU_JSON_INCLUDE)")
endif()
set(dtu_json_include ${CMAKE_BINARY_DIR}/json-include)
file(MAKE_DIRECTORY ${dtu_json_include})
file(CREATE_LINK ${DTU_JSON_INCLUDE}/nlohmann ${dtu_json_include}/nlohmann SYMBOLIC)
add_library(dtu_json INTERFACE)
target_include_directories(dtu_json SYSTEM INTERFACE ${dtu_json_include})
