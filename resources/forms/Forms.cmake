# The form resources of the two windows: each text form source compiled into a form stream and
# added to the program image as the RCDATA item named after its class (TFORM1, TABOUTBOX).
# Included by resources/CMakeLists.txt.
set(vlmrk_form_streams)
foreach(pair "Form1=TFORM1" "AboutBox=TABOUTBOX")
  string(REPLACE "=" ";" parts ${pair})
  list(GET parts 0 source)
  list(GET parts 1 resource)
  set(stream ${CMAKE_CURRENT_BINARY_DIR}/forms/${resource}.bin)
  add_custom_command(OUTPUT ${stream}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/forms
    COMMAND $<TARGET_FILE:vlmrk-tool-bootstrap> form compile ${CMAKE_CURRENT_SOURCE_DIR}/forms/${source}.txt ${stream}
    DEPENDS vlmrk-tool-bootstrap ${CMAKE_CURRENT_SOURCE_DIR}/forms/${source}.txt
    COMMENT "Compiling the form source ${source}.txt"
    VERBATIM)
  list(APPEND vlmrk_form_streams ${stream})
  list(APPEND vlmrk_program_rcdata "${resource}=${stream}")
endforeach()
add_custom_target(vlmrk_forms DEPENDS ${vlmrk_form_streams})
list(APPEND vlmrk_program_image_targets vlmrk_forms)
