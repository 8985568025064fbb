# What `cmake --install` puts on a Linux machine, and the Debian package CPack makes of it
# (scripts/package runs it). Files of the desktop integration are referenced where they live in the
# source tree; the packaging's own files are in packaging/linux/.
if(WIN32 OR NOT UNIX)
  return()  # Windows: packaging/windows/quorin-iap.nsi, driven by scripts/package
endif()

include(GNUInstallDirs)
set(QUORIN_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging/linux)
set(QUORIN_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})

# Debian's release number of this upstream version; packaging/linux/changelog must start with it.
set(QUORIN_DEBIAN_RELEASE 1)
set(QUORIN_DEBIAN_VERSION ${PROJECT_VERSION}-${QUORIN_DEBIAN_RELEASE})
file(STRINGS ${QUORIN_PACKAGING_DIR}/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^${PROJECT_NAME} \\(${QUORIN_DEBIAN_VERSION}\\) ")
  message(FATAL_ERROR "packaging/linux/changelog starts with \"${changelog_top}\"; its first "
                      "entry must be version ${QUORIN_DEBIAN_VERSION}")
endif()

foreach(program quorin-iap quorin-iap-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# Manual pages, the AppStream file (version filled in) and the Debian changelog, compressed the way
# Debian wants them (gzip -9n: no name, no time stamp).
set(generated ${PROJECT_BINARY_DIR}/packaging)
configure_file(${QUORIN_PACKAGING_DIR}/io.github.quorin.QuorinIap.metainfo.xml
               ${generated}/io.github.quorin.QuorinIap.metainfo.xml @ONLY)
set(compressed)
foreach(source quorin-iap.1 quorin-iap-cli.1 changelog)
  configure_file(${QUORIN_PACKAGING_DIR}/${source} ${generated}/${source} @ONLY)
  add_custom_command(OUTPUT ${generated}/${source}.gz
                     COMMAND gzip -9nc ${generated}/${source} > ${generated}/${source}.gz
                     DEPENDS ${generated}/${source}
                     VERBATIM)
  list(APPEND compressed ${generated}/${source}.gz)
endforeach()
add_custom_target(quorin_packaging_files ALL DEPENDS ${compressed})

install(FILES ${generated}/quorin-iap.1.gz ${generated}/quorin-iap-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${QUORIN_PACKAGING_DIR}/quorin-iap-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quorin-iap-cli)
install(FILES ${PROJECT_SOURCE_DIR}/examples/demo.Pack DESTINATION ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME})
install(FILES ${QUORIN_PACKAGING_DIR}/copyright DESTINATION ${QUORIN_DOC_DIR})
install(FILES ${generated}/changelog.gz DESTINATION ${QUORIN_DOC_DIR} RENAME changelog.Debian.gz)
install(FILES ${QUORIN_PACKAGING_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${PROJECT_NAME})

if(TARGET quorin-iap)
  install(FILES ${PROJECT_SOURCE_DIR}/app/quorin-iap.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/app/quorin-iap-pack.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(FILES ${PROJECT_SOURCE_DIR}/app/assets/quorin-iap.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
  install(FILES ${generated}/io.github.quorin.QuorinIap.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The Debian package: quorin-iap_<version>-<release>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The quorin-iap maintainers <maintainers@users.noreply.c-seed-1463cfa6.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUORIN_DEBIAN_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "firmware updater for e-bike mid-drive motor controllers
quorin-iap writes firmware update packs (*.Pack) into the motor controller of
an electric-bicycle mid drive over a serial line (a USB-serial programming
cable). It checks a pack before anything is sent, restarts the controller into
its loader when needed and shows every step of the job.
.
This package holds the desktop window (quorin-iap), its command-line twin
(quorin-iap-cli) for scripts and workshops, with a simulated controller to
practise on, and a demo pack in /usr/share/quorin-iap.")
include(CPack)
