# kema_add_layouts(TARGET FILE...): packs each layout file (JSON) with kema_layout_pack and
# compiles the results into TARGET as ":/layouts/<name>.layout".
function(kema_add_layouts target)
  set(packed)
  foreach(file ${ARGN})
    get_filename_component(path "${file}" ABSOLUTE)
    get_filename_component(name "${file}" NAME_WE)
    set(out "${CMAKE_CURRENT_BINARY_DIR}/packed-layouts/${name}.layout")
    add_custom_command(OUTPUT "${out}"
                       COMMAND kema_layout_pack "${path}" "${out}"
                       DEPENDS "${path}" kema_layout_pack
                       COMMENT "Packing layout ${name}"
                       VERBATIM)
    list(APPEND packed "${out}")
  endforeach()
  if(packed)
    # Stored uncompressed, the loader reads them in place.
    qt_add_resources(${target} ${target}_layouts PREFIX "/layouts" OPTIONS --no-compress
                     BASE "${CMAKE_CURRENT_BINARY_DIR}/packed-layouts" FILES ${packed})
  endif()
endfunction()
