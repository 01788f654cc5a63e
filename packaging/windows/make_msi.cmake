cmake_minimum_required(VERSION 3.25)
# Makes the installer OUT (a .msi) of version VERSION for ARCH (x64 or x86) with wixl from
# packaging/windows/dtu-setup.wxs (WXS): the PROGRAMS (comma-separated), stripped with STRIP,
# the README and the ICON, gathered in a folder of their own; then its upgrade row mended with
# MSIINFO and MSIBUILD (msitools).
set(stage ${OUT}.stage)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
string(REPLACE "," ";" programs "${PROGRAMS}")
foreach(program ${programs})
  get_filename_component(file ${program} NAME)
  execute_process(COMMAND ${STRIP} --strip-all -o ${stage}/${file} ${program} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot strip ${program}")
  endif()
endforeach()
file(COPY ${README} ${ICON} DESTINATION ${stage})
file(REMOVE ${OUT})
# wixl takes the files' names relative to its current folder.
execute_process(COMMAND ${WIXL} -a ${ARCH} -D Version=${VERSION} -D Arch=${ARCH} -o ${OUT} ${WXS}
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  file(REMOVE_RECURSE ${stage})
  message(FATAL_ERROR "wixl could not make ${OUT}:\n${errors}")
endif()

# The major upgrade finds the installed versions older than this one, not this one itself
# (wixl writes that Upgrade row without the inclusive-maximum attribute and has no option
# for it). Then the other architecture's installer of the same version is a second product
# beside the first, both owning the one Start-menu shortcut: removing either removes it. With
# the maximum included, an installer replaces an installed copy of its own version too,
# whichever the architecture: a PC has one product, one shortcut, one entry.
set(include_maximum 512)  # msidbUpgradeAttributesVersionMaxInclusive
execute_process(COMMAND ${MSIINFO} export ${OUT} Upgrade OUTPUT_VARIABLE table RESULT_VARIABLE status)
string(REGEX MATCHALL "\t[0-9]+\t[^\t\r\n]*\tWIX_UPGRADE_DETECTED" rows "${table}")
list(LENGTH rows count)
if(NOT status EQUAL 0 OR NOT count EQUAL 1)
  file(REMOVE_RECURSE ${stage})
  message(FATAL_ERROR "${OUT}: not one upgrade row for older versions in its Upgrade table:\n${table}")
endif()
string(REGEX REPLACE "^\t([0-9]+)\t.*" "\\1" attributes "${rows}")
math(EXPR attributes "${attributes} | ${include_maximum}")
string(REGEX REPLACE "^\t[0-9]+\t" "\t${attributes}\t" row "${rows}")
string(REPLACE "${rows}" "${row}" table "${table}")
file(WRITE ${stage}/Upgrade.idt "${table}")
execute_process(COMMAND ${MSIBUILD} ${OUT} -i Upgrade.idt WORKING_DIRECTORY ${stage} RESULT_VARIABLE status)
execute_process(COMMAND ${MSIINFO} export ${OUT} Upgrade OUTPUT_VARIABLE written)
file(REMOVE_RECURSE ${stage})
if(NOT status EQUAL 0 OR NOT written STREQUAL table)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "msibuild could not rewrite the Upgrade table of ${OUT}")
endif()
message(STATUS "${OUT}")
