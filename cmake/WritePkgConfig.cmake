# Run at install time: the pkg-config file names the prefix the files are installed under
# (the packaging prefix for a .deb, --prefix for cmake --install), not the configured one.
set(prefix "${CMAKE_INSTALL_PREFIX}")
configure_file("${TKV418_PC_IN}" "${TKV418_PC_OUT}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig"
     TYPE FILE FILES "${TKV418_PC_OUT}")
