# Rewrites the tool's generated text area (INPUT) into OUTPUT with every message, status line
# and caption text reading "X": its first byte 'X', the rest zero bytes. Each text keeps its
# length, so every offset the tool was compiled with still finds its text; and the texts
# that the DTU's protocol, the checks and the settings file use are left as they are.
file(READ ${INPUT} content)
string(REGEX MATCHALL "/\\* (msg|status|caption)_[a-z0-9_]+ \\*/[ 0-9a-fx,]+" entries "${content}")
if(NOT entries)
  message(FATAL_ERROR "${INPUT}: no message, status or caption text found")
endif()
foreach(entry ${entries})
  string(REGEX MATCH "^/\\* [a-z0-9_]+ \\*/" head "${entry}")
  string(REGEX MATCHALL "0x[0-9a-f]+" bytes "${entry}")
  list(LENGTH bytes count)
  set(changed "${head} 0x58,")
  foreach(n RANGE 2 ${count})
    string(APPEND changed " 0x0,")
  endforeach()
  string(REPLACE "${entry}" "${changed}" content "${content}")
endforeach()
file(WRITE ${OUTPUT} "${content}")
