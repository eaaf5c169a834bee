# The Debian package built by scripts/package: one binary package "raiten" whose Depends are
# what the component needs at run time. dpkg-shlibdeps finds the packages of the linked
# libraries; what is loaded or looked up at run time is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME raiten)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${TKV418_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "store visit-slip printing component and tool")
set(CPACK_PACKAGE_DESCRIPTION
    "The shared library libtkv418 prints the visit slip of an optical store's
reception counter for eyeglasses or contact lenses, from the store database
through ODBC, to a CUPS printer, a preview or a PDF file. Hosts use its C
interface tkv418.h (pkg-config tkv418, CMake package Tkv418).
The raiten tool prints a slip from the command line and checks a workstation
with raiten doctor.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# ldconfig runs through the trigger as well; the package's own scripts are CPack's.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/cmake/debian/triggers")

# The faces the layouts map to (report/Fonts.cpp), libcups, which the print path loads when a
# job goes to CUPS (report/print/LibCups.h), and, while the database layer goes through Qt SQL,
# Qt's ODBC driver plugin, which nothing links.
set(tkv418_runtime_depends fonts-ipafont-mincho fonts-ipafont-gothic fonts-liberation2 libcups2)
get_target_property(tkv418_db_links kema_db LINK_LIBRARIES)
if("Qt6::Sql" IN_LIST tkv418_db_links)
  list(APPEND tkv418_runtime_depends libqt6sql6-odbc)
endif()
list(JOIN tkv418_runtime_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# The store's ODBC driver and the print server may live elsewhere.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "odbc-postgresql, libsqliteodbc, cups")

include(CPack)
