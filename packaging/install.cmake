# What `cmake --install` and the .deb (`cpack -G DEB`) carry: scenc on PATH with its manual
# pages and bash completion, the editor files where Debian's editors look, and the package's
# copyright and changelog. The package program is not installed: it writes its files beside
# itself, which a system folder does not allow.
include(GNUInstallDirs)
set(PACKAGE_MAINTAINER "Brenzola_Tessalto 917 authors <scenc@example.org>")

# The manual pages and the completion are written by scenc from its own command line (the text
# --help shows), so a new subcommand or option joins them with no edit here.
find_program(SCDOC_PROGRAM scdoc REQUIRED)
set(CLI_DOCUMENTS ${CMAKE_CURRENT_BINARY_DIR}/cli-documents)
add_custom_command(
  OUTPUT ${CLI_DOCUMENTS}/stamp
  COMMAND ${CMAKE_COMMAND} -DSCENC=$<TARGET_FILE:scenc> -DSCDOC=${SCDOC_PROGRAM}
          -DOUTPUT=${CLI_DOCUMENTS} -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/cli-documents.cmake
  DEPENDS scenc ${CMAKE_CURRENT_SOURCE_DIR}/cmake/cli-documents.cmake
  COMMENT "Writing scenc's manual pages and bash completion")

# A native package's changelog, compressed as Debian keeps it.
set(PACKAGE_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog)
configure_file(packaging/changelog.in ${PACKAGE_CHANGELOG} @ONLY)
add_custom_command(OUTPUT ${PACKAGE_CHANGELOG}.gz
                   COMMAND gzip -9nkf ${PACKAGE_CHANGELOG}
                   DEPENDS ${PACKAGE_CHANGELOG})
# Everything that `cmake --install` takes besides scenc itself (and scenc, which it needs).
add_custom_target(scenc_documents ALL DEPENDS ${CLI_DOCUMENTS}/stamp ${PACKAGE_CHANGELOG}.gz)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS scenc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CLI_DOCUMENTS}/man1 DESTINATION ${CMAKE_INSTALL_MANDIR})
install(FILES ${CLI_DOCUMENTS}/completions/scenc
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# Debian's Vim reads share/vim/vimfiles, Neovim share/nvim/site.
foreach(editor_folder vim/vimfiles nvim/site)
  install(DIRECTORY editors/vim/ftdetect editors/vim/syntax
          DESTINATION ${CMAKE_INSTALL_DATADIR}/${editor_folder})
endforeach()
install(DIRECTORY editors/vscode/ DESTINATION ${CMAKE_INSTALL_DATADIR}/scenc/vscode)
install(FILES packaging/copyright ${PACKAGE_CHANGELOG}.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/scenc)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME scenc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "check, compile and show train-driving scenarios")
set(CPACK_PACKAGE_DESCRIPTION "scenc is the scenario authors' tool of the Brenzola_Tessalto 917
scenario package. It checks route and train texts with messages that point at
the line to fix, compiles them into the three files the simulator loads, and
shows, compares, draws and views compiled scenarios. It serves editors as a
language server.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/package)
include(CPack)
