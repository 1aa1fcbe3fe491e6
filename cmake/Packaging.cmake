# Installing and packaging: man pages from their scdoc sources, the package's documentation, and
# CPack's Debian package ("cpack -G DEB" in a build folder; see scripts/package-test.sh).

include(GNUInstallDirs)
find_program(SCDOC_PROGRAM scdoc)
find_program(GZIP_PROGRAM gzip)

# vlmrk_man_page(<source.scd> <page>): renders the page with scdoc, compresses it as Debian wants
# and installs it in share/man/man<section>. Without scdoc the page is left out with a warning.
function(vlmrk_man_page source page)
  if(NOT SCDOC_PROGRAM OR NOT GZIP_PROGRAM)
    message(WARNING "scdoc or gzip not found: the man page ${page} is not built")
    return()
  endif()
  string(REGEX REPLACE "^.*\\.([0-9])$" "\\1" section ${page})
  set(out ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    # Rendered first and compressed after: in a pipe a page scdoc refuses became an empty page.
    COMMAND sh -c "'${SCDOC_PROGRAM}' < '${source}' > '${out}.roff' && '${GZIP_PROGRAM}' -9n < '${out}.roff' > '${out}' && rm '${out}.roff'"
    DEPENDS ${source}
    COMMENT "Man page ${page}"
    VERBATIM)
  add_custom_target(man_${page} ALL DEPENDS ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()

# The Debian package's own documentation: copyright and a compressed changelog.
set(vlmrk_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/veilmark)
install(FILES ${PROJECT_SOURCE_DIR}/app/packaging/copyright DESTINATION ${vlmrk_doc_dir})
if(GZIP_PROGRAM)
  set(changelog ${CMAKE_BINARY_DIR}/changelog.Debian.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND sh -c "'${GZIP_PROGRAM}' -9n < '${PROJECT_SOURCE_DIR}/app/packaging/changelog' > '${changelog}'"
    DEPENDS ${PROJECT_SOURCE_DIR}/app/packaging/changelog
    VERBATIM)
  add_custom_target(vlmrk_changelog ALL DEPENDS ${changelog})
  install(FILES ${changelog} DESTINATION ${vlmrk_doc_dir})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veilmark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Veilmark developers")
set(CPACK_PACKAGE_CONTACT "The Veilmark developers <maintainers@veilmark.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "hide a text in a bitmap image and read it back")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://veilmark.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without it Qt's X11 platform plugin is missing and the window cannot open on a desktop.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# CPack puts the summary first and indents these lines (an empty line becomes " .").
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Veilmark hides a short text in the lowest bit of the pixels of a BMP image
(16-bit 5-6-5, 24 and 32 bits per pixel) and reads it back. Its whole
interface switches between languages while it runs: English, Spanish,
French and Italian are built in; German, Russian and Hebrew come as
language files.

The command-line tool vlmrk-tool does the same in scripts.

Hiding is not encryption: anyone who knows the format can read the text.")
include(CPack)
