# kema_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One QtTest program per call, registered with CTest. Tests run on the offscreen
# platform so that they need no display; a test that needs one skips with a reason.
function(kema_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE KEMA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             KEMA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${ARG_LABELS}"
                                          TIMEOUT 600)
endfunction()
