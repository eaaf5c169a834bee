# What `cmake --install` and the Debian package put on a workstation: the shared library with
# its SONAME, the self-contained C header, the pkg-config and CMake package files, the raiten
# tool with its manual page. Included last, when every target exists.

# Debian's multiarch library directory whatever the prefix, so that /usr/local and the package
# lay the files out alike. Chosen once (Qt's packages have already set the plain default), so a
# later -DCMAKE_INSTALL_LIBDIR still wins.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT TKV418_LIBDIR_CHOSEN)
  set(CMAKE_INSTALL_LIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}" CACHE PATH "Object code libraries"
      FORCE)
  set(TKV418_LIBDIR_CHOSEN ON CACHE INTERNAL "")
endif()
include(GNUInstallDirs)
# Installing (and CPack) builds only what is installed, which scripts/package builds first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CMakePackageConfigHelpers)

set(tkv418_stage "${PROJECT_BINARY_DIR}/install-stage")
set(TKV418_MAINTAINER "KEMA store systems <store-systems@kema.example>"
    CACHE STRING "Maintainer of the Debian package, as \"Name <address>\"")

# The header in the tree includes the export macro by its place in src/; hosts get one file.
add_custom_command(
  OUTPUT "${tkv418_stage}/tkv418.h"
  COMMAND "${CMAKE_COMMAND}" "-DINPUT=${PROJECT_SOURCE_DIR}/src/component/tkv418.h"
          "-DEXPORT=${PROJECT_SOURCE_DIR}/src/request/tkv418_export.h"
          "-DINCLUDE_LINE=#include \"request/tkv418_export.h\""
          "-DOUTPUT=${tkv418_stage}/tkv418.h" -P "${CMAKE_CURRENT_LIST_DIR}/InlineHeader.cmake"
  DEPENDS "${PROJECT_SOURCE_DIR}/src/component/tkv418.h"
          "${PROJECT_SOURCE_DIR}/src/request/tkv418_export.h"
          "${CMAKE_CURRENT_LIST_DIR}/InlineHeader.cmake"
  VERBATIM)

# Debian wants the manual page and the changelog compressed, without a time stamp.
find_program(GZIP gzip REQUIRED)
set(tkv418_changelog_in "${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in")
string(TIMESTAMP tkv418_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file("${tkv418_changelog_in}" "${tkv418_stage}/changelog" @ONLY)
foreach(page "${PROJECT_SOURCE_DIR}/tools/raiten/raiten.1" "${tkv418_stage}/changelog")
  get_filename_component(name "${page}" NAME)
  add_custom_command(OUTPUT "${tkv418_stage}/${name}.gz"
                     COMMAND "${GZIP}" -9nc "${page}" > "${tkv418_stage}/${name}.gz"
                     DEPENDS "${page}")
  list(APPEND tkv418_compressed "${tkv418_stage}/${name}.gz")
endforeach()
add_custom_target(tkv418_install_files ALL DEPENDS "${tkv418_stage}/tkv418.h" ${tkv418_compressed})

install(TARGETS tkv418 LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}")
# The desktop module is the library's private plugin; raiten finds it from where it is installed.
install(TARGETS kema_desktop_module LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}/tkv418")
file(RELATIVE_PATH tkv418_desktop_from_bin "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_LIBDIR}")
target_compile_definitions(kema_report_print PRIVATE
                           KEMA_DESKTOP_MODULE_FROM_PROGRAM="${tkv418_desktop_from_bin}")
install(TARGETS raiten RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${tkv418_stage}/tkv418.h" DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")
install(FILES "${tkv418_stage}/raiten.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
# The schema names every table and column the slips read, which raiten doctor checks.
install(FILES "${tkv418_stage}/changelog.gz" "${PROJECT_SOURCE_DIR}/cmake/debian/copyright"
              "${PROJECT_SOURCE_DIR}/db/schema.sql"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/raiten")

install(CODE "
  set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(CMAKE_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  set(TKV418_PC_IN \"${CMAKE_CURRENT_LIST_DIR}/tkv418.pc.in\")
  set(TKV418_PC_OUT \"${tkv418_stage}/tkv418.pc\")
  include(\"${CMAKE_CURRENT_LIST_DIR}/WritePkgConfig.cmake\")")

set(tkv418_config_dir "${CMAKE_INSTALL_LIBDIR}/cmake/Tkv418")
file(RELATIVE_PATH TKV418_CONFIG_TO_PREFIX "/${tkv418_config_dir}" "/")
configure_file("${CMAKE_CURRENT_LIST_DIR}/Tkv418Config.cmake.in"
               "${tkv418_stage}/Tkv418Config.cmake.genex" @ONLY)
file(GENERATE OUTPUT "${tkv418_stage}/Tkv418Config.cmake"
     INPUT "${tkv418_stage}/Tkv418Config.cmake.genex")
write_basic_package_version_file("${tkv418_stage}/Tkv418ConfigVersion.cmake"
                                 COMPATIBILITY SameMajorVersion)
install(FILES "${tkv418_stage}/Tkv418Config.cmake" "${tkv418_stage}/Tkv418ConfigVersion.cmake"
        DESTINATION "${tkv418_config_dir}")

include("${CMAKE_CURRENT_LIST_DIR}/Tkv418Package.cmake")
