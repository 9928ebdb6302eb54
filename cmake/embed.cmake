# velmora_embed_text(TARGET NAME FILE HEADER): compiles FILE's exact bytes
# into TARGET as the string constant NAME, declared by HEADER.
function(velmora_embed_text target name file header)
  get_filename_component(input "${file}" ABSOLUTE)
  get_filename_component(header "${header}" ABSOLUTE)
  set(output "${CMAKE_CURRENT_BINARY_DIR}/embedded/${name}.cpp")
  add_custom_command(OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output}
            -DNAME=${name} -DHEADER=${header}
            -P "${PROJECT_SOURCE_DIR}/cmake/embed-text.cmake"
    DEPENDS "${input}" "${PROJECT_SOURCE_DIR}/cmake/embed-text.cmake"
    COMMENT "Embedding ${name}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
endfunction()
