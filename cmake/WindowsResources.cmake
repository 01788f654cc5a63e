# Windows resources for a program: the tool's icon (every size of packaging/icons in one .ico,
# made at build time with icotool), an application manifest (visual styles through Common
# Controls 6, per-monitor DPI awareness, asInvoker, Windows 7 to 11) and version information
# from the project's one version. Compiled by windres as the RC language.
#   dtu_windows_resources(<target> [DESCRIPTION <text>])
enable_language(RC)
find_program(DTU_ICOTOOL icotool)
if(NOT DTU_ICOTOOL)
  message(FATAL_ERROR "The Windows programs' icon is made with icotool: install icoutils (./test does).")
endif()

set(dtu_icon_sizes 16 24 32 48 64 128)
set(dtu_icon_pngs "")
foreach(size ${dtu_icon_sizes})
  list(APPEND dtu_icon_pngs ${CMAKE_SOURCE_DIR}/packaging/icons/dtu-setup-${size}.png)
endforeach()
set(DTU_WINDOWS_ICON ${CMAKE_BINARY_DIR}/generated/windows/dtu-setup.ico)
# The 256-pixel image is kept as PNG inside the icon (-r), as Windows Vista and later read it.
add_custom_command(OUTPUT ${DTU_WINDOWS_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/windows
  COMMAND ${DTU_ICOTOOL} -c -o ${DTU_WINDOWS_ICON} ${dtu_icon_pngs} -r ${CMAKE_SOURCE_DIR}/packaging/icons/dtu-setup-256.png
  DEPENDS ${dtu_icon_pngs} ${CMAKE_SOURCE_DIR}/packaging/icons/dtu-setup-256.png
  COMMENT "Making the Windows icon")
add_custom_target(dtu_windows_icon DEPENDS ${DTU_WINDOWS_ICON})

# Every program given resources is one the Windows zip ships (see dtu_windows_zip below).
add_custom_target(dtu_windows_programs)

function(dtu_windows_resources target)
  cmake_parse_arguments(R "" "DESCRIPTION" "" ${ARGN})
  if(NOT R_DESCRIPTION)
    set(R_DESCRIPTION "${PROJECT_DESCRIPTION}")
  endif()
  set(DTU_RC_NAME ${target})
  set(DTU_RC_DESCRIPTION "${R_DESCRIPTION}")
  set(DTU_RC_VERSION ${PROJECT_VERSION})
  set(DTU_RC_VERSION_DOTS ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
  set(DTU_RC_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
  set(dir ${CMAKE_BINARY_DIR}/generated/windows/${target})
  set(DTU_RC_MANIFEST ${dir}/${target}.manifest)
  set(DTU_RC_ICON ${DTU_WINDOWS_ICON})
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/app.manifest.in ${DTU_RC_MANIFEST} @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/app.rc.in ${dir}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
  # windres reads the icon and manifest files the script names.
  set_source_files_properties(${dir}/${target}.rc PROPERTIES OBJECT_DEPENDS "${DTU_WINDOWS_ICON};${DTU_RC_MANIFEST}")
  add_dependencies(${target} dtu_windows_icon)
  add_dependencies(dtu_windows_programs ${target})
  set_property(GLOBAL APPEND PROPERTY DTU_WINDOWS_PROGRAMS ${target})
endfunction()

# A test program that makes windows gets the window program's own manifest, byte for byte, so
# it meets the same common controls and DPI awareness the shipped program does.
#   dtu_windows_manifest(<target>)
set(DTU_WINDOW_MANIFEST ${CMAKE_BINARY_DIR}/generated/windows/window-tests/dtu-setup.manifest)
set(DTU_RC_NAME dtu-setup)
set(DTU_RC_DESCRIPTION "${PROJECT_DESCRIPTION}")
set(DTU_RC_VERSION_DOTS ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/app.manifest.in ${DTU_WINDOW_MANIFEST} @ONLY)
file(WRITE ${CMAKE_BINARY_DIR}/generated/windows/window-tests/manifest.rc.new
     "// The window program's manifest, for test programs that make windows.\n#include <windows.h>\n"
     "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${DTU_WINDOW_MANIFEST}\"\n")
file(COPY_FILE ${CMAKE_BINARY_DIR}/generated/windows/window-tests/manifest.rc.new
     ${CMAKE_BINARY_DIR}/generated/windows/window-tests/manifest.rc ONLY_IF_DIFFERENT)
function(dtu_windows_manifest target)
  set(rc ${CMAKE_BINARY_DIR}/generated/windows/window-tests/manifest.rc)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${DTU_WINDOW_MANIFEST})
  set_property(GLOBAL APPEND PROPERTY DTU_WINDOW_TEST_PROGRAMS ${target})
endfunction()

# The zip a technician downloads: build/<dir>/dtu-setup-<version>-win64.zip (or -win32), one
# folder holding the programs, stripped, and README-windows.txt (CRLF line ends). Made by
# `cmake --build <dir> --target dtu_windows_zip`; ./package copies it into dist/.
# The read-me names this architecture's installer in its silent-install lines.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(DTU_ZIP_ARCH win64)
  set(DTU_ZIP_ARCH_TEXT "64-bit")
  set(DTU_MSI_ARCH x64)
else()
  set(DTU_ZIP_ARCH win32)
  set(DTU_ZIP_ARCH_TEXT "32-bit")
  set(DTU_MSI_ARCH x86)
endif()
set(DTU_ZIP_NAME dtu-setup-${PROJECT_VERSION}-${DTU_ZIP_ARCH})
set(DTU_MSI_NAME dtu-setup-${PROJECT_VERSION}-${DTU_MSI_ARCH}.msi)
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/README-windows.txt.in
               ${CMAKE_BINARY_DIR}/generated/windows/README-windows.txt @ONLY NEWLINE_STYLE CRLF)
# The shipped programs' files, comma-separated (generator expressions), once every directory
# has added its programs.
function(dtu_windows_program_files out)
  get_property(programs GLOBAL PROPERTY DTU_WINDOWS_PROGRAMS)
  set(files "")
  foreach(program ${programs})
    list(APPEND files $<TARGET_FILE:${program}>)
  endforeach()
  list(JOIN files "," files)
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

function(dtu_windows_zip_target)
  dtu_windows_program_files(files)
  add_custom_target(dtu_windows_zip
    COMMAND ${CMAKE_COMMAND} -DPROGRAMS=${files} -DSTRIP=${CMAKE_STRIP}
            -DREADME=${CMAKE_BINARY_DIR}/generated/windows/README-windows.txt -DNAME=${DTU_ZIP_NAME}
            -DOUT_DIR=${CMAKE_BINARY_DIR} -P ${CMAKE_SOURCE_DIR}/packaging/windows/make_zip.cmake
    DEPENDS dtu_windows_programs
    COMMENT "Making ${DTU_ZIP_NAME}.zip")
endfunction()
cmake_language(DEFER CALL dtu_windows_zip_target)

# The installer: build/<dir>/dtu-setup-<version>-x64.msi (or -x86), made by wixl (Debian's
# msitools) with every build where wixl is found; ./package copies it into dist/. The
# script build/<dir>/make-msi VERSION OUT makes one of another version from the same
# programs (the upgrade test installs a newer one over it).
find_program(DTU_WIXL wixl)
find_program(DTU_MSIINFO msiinfo)
find_program(DTU_MSIBUILD msibuild)
if(DTU_WIXL AND DTU_MSIINFO AND DTU_MSIBUILD)
  set(DTU_MSI_TOOLS ON)
else()
  set(DTU_MSI_TOOLS OFF)
endif()
function(dtu_windows_msi_target)
  if(NOT DTU_MSI_TOOLS)
    message(STATUS "wixl or msitools not found: no Windows installer (install msitools and wixl; ./test does)")
    return()
  endif()
  get_property(programs GLOBAL PROPERTY DTU_WINDOWS_PROGRAMS)
  dtu_windows_program_files(files)
  set(script ${CMAKE_BINARY_DIR}/make-msi)
  file(GENERATE OUTPUT ${script}
       CONTENT "#!/bin/sh\n# make-msi VERSION OUT: the installer of this build's programs, as that version.\n\
exec '${CMAKE_COMMAND}' -DVERSION=\"$1\" -DOUT=\"$2\" -DARCH=${DTU_MSI_ARCH} '-DPROGRAMS=${files}' \
'-DSTRIP=${CMAKE_STRIP}' '-DWIXL=${DTU_WIXL}' '-DMSIINFO=${DTU_MSIINFO}' '-DMSIBUILD=${DTU_MSIBUILD}' '-DREADME=${CMAKE_BINARY_DIR}/generated/windows/README-windows.txt' \
'-DICON=${DTU_WINDOWS_ICON}' '-DWXS=${CMAKE_SOURCE_DIR}/packaging/windows/dtu-setup.wxs' \
-P '${CMAKE_SOURCE_DIR}/packaging/windows/make_msi.cmake'\n"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${DTU_MSI_NAME}
    COMMAND ${script} ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/${DTU_MSI_NAME}
    DEPENDS dtu_windows_programs ${programs} ${DTU_WINDOWS_ICON} ${CMAKE_SOURCE_DIR}/packaging/windows/dtu-setup.wxs
            ${CMAKE_SOURCE_DIR}/packaging/windows/make_msi.cmake ${CMAKE_BINARY_DIR}/generated/windows/README-windows.txt
    COMMENT "Making ${DTU_MSI_NAME}")
  add_custom_target(dtu_windows_msi ALL DEPENDS ${CMAKE_BINARY_DIR}/${DTU_MSI_NAME})
endfunction()
cmake_language(DEFER CALL dtu_windows_msi_target)
