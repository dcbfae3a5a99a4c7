# Writes OUT: TEMPLATE with its line MARKER replaced by what `PROGRAM FORMAT` prints (the settings' lines
# from settings_text), so that a front end's file is made from the settings' one definition.
# Usage: cmake -DTEMPLATE=FILE -DMARKER=TEXT -DOUT=FILE -DPROGRAM=FILE -DFORMAT=WORD -P fill-template.cmake
execute_process(COMMAND ${PROGRAM} ${FORMAT} OUTPUT_VARIABLE lines RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ${FORMAT} failed: ${status}")
endif()
file(READ "${TEMPLATE}" text)
string(FIND "${text}" "${MARKER}\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${TEMPLATE} has no line ${MARKER}")
endif()
string(REPLACE "${MARKER}\n" "${lines}" text "${text}")
file(WRITE "${OUT}" "${text}")
