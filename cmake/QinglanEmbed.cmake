# qinglan_embed(TARGET SYMBOL FILE): compiles FILE's bytes into TARGET as
#   namespace ql::embedded { extern const unsigned char SYMBOL[]; extern const std::size_t SYMBOL_size; }
# (a zero byte follows the data, not counted in SYMBOL_size). Regenerated whenever FILE changes.
set(QINGLAN_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/QinglanEmbedGen.cmake)

function(qinglan_embed target symbol file)
  get_filename_component(abs ${file} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embedded_${symbol}.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${abs} -DOUT=${out} -DSYMBOL=${symbol} -P ${QINGLAN_EMBED_SCRIPT}
    DEPENDS ${abs} ${QINGLAN_EMBED_SCRIPT}
    COMMENT "Embedding ${file}" VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
