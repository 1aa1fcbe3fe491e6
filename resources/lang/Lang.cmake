# The shipped languages: each translation source compiled into a language file, packed (native
# English first) into the language pack, the RCDATA item QVT_LOC_LANGS_ of the program image.
# Included by resources/CMakeLists.txt.
set(vlmrk_lang_files)
foreach(code en es fr it)
  set(lng ${CMAKE_CURRENT_BINARY_DIR}/lang/Vlmrk.${code}.lng)
  add_custom_command(OUTPUT ${lng}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/lang
    COMMAND $<TARGET_FILE:vlmrk-tool-bootstrap> lang compile ${CMAKE_CURRENT_SOURCE_DIR}/lang/Vlmrk.${code}.txt ${lng}
    DEPENDS vlmrk-tool-bootstrap ${CMAKE_CURRENT_SOURCE_DIR}/lang/Vlmrk.${code}.txt
    COMMENT "Compiling the translation source Vlmrk.${code}.txt"
    VERBATIM)
  list(APPEND vlmrk_lang_files ${lng})
endforeach()
set(vlmrk_lang_pack ${CMAKE_CURRENT_BINARY_DIR}/lang/QVT_LOC_LANGS_.bin)
add_custom_command(OUTPUT ${vlmrk_lang_pack}
  COMMAND $<TARGET_FILE:vlmrk-tool-bootstrap> pack build ${vlmrk_lang_pack} ${vlmrk_lang_files}
  DEPENDS vlmrk-tool-bootstrap ${vlmrk_lang_files}
  COMMENT "Packing the shipped languages"
  VERBATIM)
add_custom_target(vlmrk_lang_pack DEPENDS ${vlmrk_lang_pack})
list(APPEND vlmrk_program_rcdata "QVT_LOC_LANGS_=${vlmrk_lang_pack}")
list(APPEND vlmrk_program_image_targets vlmrk_lang_pack)
