# Embeds the application manifest in a Windows program through the program's
# own resource script, which names the manifest as "<target>.manifest".
function(quenlo_embed_manifest target rc_file)
  set(QUENLO_MANIFEST_NAME ${target})
  set(manifest_dir ${CMAKE_CURRENT_BINARY_DIR}/manifest)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/app.manifest.in
                 ${manifest_dir}/${target}.manifest @ONLY)
  get_source_file_property(dirs ${rc_file} INCLUDE_DIRECTORIES)
  if(NOT dirs)
    set(dirs "")
  endif()
  get_source_file_property(depends ${rc_file} OBJECT_DEPENDS)
  if(NOT depends)
    set(depends "")
  endif()
  set_source_files_properties(${rc_file} PROPERTIES
    INCLUDE_DIRECTORIES "${dirs};${manifest_dir}"
    OBJECT_DEPENDS "${depends};${manifest_dir}/${target}.manifest")
  # The linker would otherwise add a manifest of its own beside ours.
  if(MSVC)
    target_link_options(${target} PRIVATE /MANIFEST:NO)
  endif()
endfunction()
