cmake_minimum_required(VERSION 3.25)
# Checks the resources of the Windows programs named in PROGRAMS (comma-separated), read with
# WRESTOOL: the icon in every size, the manifest (visual styles, per-monitor DPI awareness,
# asInvoker, Windows 7 to 11, no UTF-8 code page) and version information that matches
# VERSION in its numbers and its texts.
string(REPLACE "," ";" programs "${PROGRAMS}")
set(failures "")

# The text as UTF-16LE, in lower-case hex as file(READ ... HEX) gives it.
function(utf16_hex text out)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
  set(${out} ${hex} PARENT_SCOPE)
endfunction()

# A 16-bit number as little-endian hex.
function(le16_hex value out)
  math(EXPR lo "${value} & 255" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR hi "(${value} >> 8) & 255" OUTPUT_FORMAT HEXADECIMAL)
  string(REGEX REPLACE "^0x" "" lo ${lo})
  string(REGEX REPLACE "^0x" "" hi ${hi})
  foreach(v lo hi)
    string(LENGTH "${${v}}" n)
    if(n EQUAL 1)
      set(${v} "0${${v}}")
    endif()
  endforeach()
  set(${out} "${lo}${hi}" PARENT_SCOPE)
endfunction()

string(REPLACE "." ";" parts "${VERSION}")
list(GET parts 0 major)
list(GET parts 1 minor)
list(GET parts 2 patch)
le16_hex(${minor} h_minor)
le16_hex(${major} h_major)
le16_hex(${patch} h_patch)
# VS_FIXEDFILEINFO: signature, structure version, then file and product versions (MS, LS).
set(fixed_versions "${h_minor}${h_major}0000${h_patch}")

foreach(program ${programs})
  get_filename_component(name ${program} NAME)
  execute_process(COMMAND ${WRESTOOL} -l ${program} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(APPEND failures "${name}: wrestool cannot read it")
    continue()
  endif()
  string(REGEX MATCHALL "--type=3 " icons "${listing}")
  list(LENGTH icons icon_count)
  if(icon_count LESS 7 OR NOT listing MATCHES "--type=14 --name=1 ")
    list(APPEND failures "${name}: ${icon_count} icon images and no icon group 1 (expected 16 to 256 pixels)")
  endif()

  set(manifest_file ${CMAKE_CURRENT_BINARY_DIR}/${name}.manifest.xml)
  execute_process(COMMAND ${WRESTOOL} -x --raw --type=24 --name=1 ${program} OUTPUT_FILE ${manifest_file})
  file(READ ${manifest_file} manifest)
  foreach(needed
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""
      "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>"
      ">true/pm</dpiAware>"
      "level=\"asInvoker\""
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}" "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}" "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")
    string(FIND "${manifest}" "${needed}" at)
    if(at EQUAL -1)
      list(APPEND failures "${name}: the manifest lacks ${needed}")
    endif()
  endforeach()
  if(manifest MATCHES "activeCodePage")
    list(APPEND failures "${name}: the manifest sets a code page; the programs use the wide calls")
  endif()

  set(version_file ${CMAKE_CURRENT_BINARY_DIR}/${name}.version.bin)
  execute_process(COMMAND ${WRESTOOL} -x --raw --type=16 --name=1 ${program} OUTPUT_FILE ${version_file})
  file(READ ${version_file} info HEX)
  string(FIND "${info}" "bd04effe" at)
  if(at EQUAL -1)
    list(APPEND failures "${name}: no version information")
    continue()
  endif()
  math(EXPR at "${at} + 16")  # past the signature and the structure version
  string(SUBSTRING "${info}" ${at} 32 numbers)
  if(NOT numbers STREQUAL "${fixed_versions}${fixed_versions}")
    list(APPEND failures "${name}: version numbers ${numbers}, expected ${VERSION} (${fixed_versions} twice)")
  endif()
  foreach(pair "FileVersion=${VERSION}" "ProductVersion=${VERSION}" "ProductName=dtu-setup"
               "OriginalFilename=${name}")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 key)
    list(GET pair 1 value)
    utf16_hex("${key}" key_hex)
    utf16_hex("${value}" value_hex)
    # The value follows its key's terminator, aligned to four bytes.
    string(REGEX MATCH "${key_hex}0000(0000)?${value_hex}0000" found "${info}")
    if(NOT found)
      list(APPEND failures "${name}: ${key} is not \"${value}\"")
    endif()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "Windows resources:\n${text}")
endif()
list(LENGTH programs count)
message(STATUS "${count} programs carry their icon, manifest and version ${VERSION}")
