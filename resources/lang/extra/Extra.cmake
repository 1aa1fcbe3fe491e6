# The example languages of resources/lang/extra/, numbered against the program's native language
# into ${VLMRK_EXTRA_LANG_DIR} (Vlmrk.DE.lng, .RU, .HE): the end-to-end tests copy them beside an
# executable, and the install puts them in share/veilmark/lang.
add_executable(make_extra_languages ${CMAKE_CURRENT_LIST_DIR}/MakeExtraLanguages.cpp)
target_link_libraries(make_extra_languages PRIVATE vlmrk_langdata vlmrk_modres vlmrk_locstore vlmrk_messages)
vlmrk_target_options(make_extra_languages)
file(GLOB extra_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.txt)
set(VLMRK_EXTRA_LANG_DIR ${CMAKE_BINARY_DIR}/lang CACHE INTERNAL "The compiled example languages")
add_custom_command(OUTPUT ${VLMRK_EXTRA_LANG_DIR}/stamp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VLMRK_EXTRA_LANG_DIR}
  COMMAND make_extra_languages ${VLMRK_PROGRAM_IMAGE} ${VLMRK_EXTRA_LANG_DIR} ${extra_sources}
  COMMAND ${CMAKE_COMMAND} -E touch ${VLMRK_EXTRA_LANG_DIR}/stamp
  DEPENDS make_extra_languages vlmrk_program_image_file ${VLMRK_PROGRAM_IMAGE} ${extra_sources}
  COMMENT "Compiling the example languages"
  VERBATIM)
add_custom_target(vlmrk_extra_languages ALL DEPENDS ${VLMRK_EXTRA_LANG_DIR}/stamp)
include(GNUInstallDirs)
foreach(code DE RU HE)
  install(FILES ${VLMRK_EXTRA_LANG_DIR}/Vlmrk.${code}.lng DESTINATION ${CMAKE_INSTALL_DATADIR}/veilmark/lang)
endforeach()
