# Writes OUTPUT: INPUT with its include of EXPORT replaced by that header's text, so that the
# installed header needs nothing from the source tree.
#   cmake -DINPUT=... -DEXPORT=... -DINCLUDE_LINE=... -DOUTPUT=... -P InlineHeader.cmake
file(READ "${INPUT}" header)
file(READ "${EXPORT}" export)
string(FIND "${header}" "${INCLUDE_LINE}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${INPUT} does not contain ${INCLUDE_LINE}")
endif()
string(REPLACE "${INCLUDE_LINE}\n" "${export}" header "${header}")
file(WRITE "${OUTPUT}.tmp" "${header}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
