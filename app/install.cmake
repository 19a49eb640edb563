# The program installed as a Linux desktop program: the executables, the network process,
# the help pages and the plug-in folder together in the program's folder (the program finds
# them beside itself), the two programs on the PATH, the bus service, the menu entry, the
# icon, the AppStream data, the manual pages and the shell completion; and the Debian
# package of all of it.
include(GNUInstallDirs)

# The program's own folder, as Debian keeps a program's private executables.
set(zs_program_dir lib/zelvor-sumbra)
set(zs_share ${CMAKE_SOURCE_DIR}/app/share)

install(TARGETS ZelvorSumbra ZelvorSumbraWinInetter zsumbra RUNTIME DESTINATION ${zs_program_dir})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/help DESTINATION ${zs_program_dir})
install(DIRECTORY DESTINATION "${zs_program_dir}/Ext Modules")
foreach(program zsumbra ZelvorSumbra)
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../${zs_program_dir}/${program}
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" SYMBOLIC)")
endforeach()

set(ZS_PROGRAM ${CMAKE_INSTALL_FULL_BINDIR}/ZelvorSumbra)
configure_file(${CMAKE_SOURCE_DIR}/app/dbus/org.zelvor.Sumbra.service.in
  ${CMAKE_BINARY_DIR}/install/org.zelvor.Sumbra.service @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/org.zelvor.Sumbra.service
  DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/services)
install(FILES ${zs_share}/org.zelvor.Sumbra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${zs_share}/org.zelvor.Sumbra.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/ui/desktop/icons/application.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME org.zelvor.Sumbra.svg)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${zs_share}/icons/org.zelvor.Sumbra-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME org.zelvor.Sumbra.png)
endforeach()

# Manual pages and completion are printed by the programs themselves, from the texts of
# their --help.
set(zs_generated ${CMAKE_BINARY_DIR}/install)
add_custom_command(OUTPUT ${zs_generated}/zsumbra.1.gz ${zs_generated}/ZelvorSumbra.1.gz
    ${zs_generated}/zsumbra ${zs_generated}/changelog.gz
  COMMAND sh -c "$<TARGET_FILE:zsumbra> --manual | gzip -9n > zsumbra.1.gz"
  COMMAND sh -c "$<TARGET_FILE:ZelvorSumbra> --manual | gzip -9n > ZelvorSumbra.1.gz"
  COMMAND sh -c "$<TARGET_FILE:zsumbra> --completion > zsumbra"
  COMMAND sh -c "gzip -9n < ${zs_share}/changelog > changelog.gz"
  WORKING_DIRECTORY ${zs_generated}
  DEPENDS zsumbra ZelvorSumbra ${zs_share}/changelog
  VERBATIM)
add_custom_target(zs_install_files ALL DEPENDS ${zs_generated}/zsumbra.1.gz)
install(FILES ${zs_generated}/zsumbra.1.gz ${zs_generated}/ZelvorSumbra.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${zs_generated}/zsumbra DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${zs_share}/copyright ${zs_generated}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zelvor-sumbra)
# The machine's settings, shared by every user, are kept here.
install(DIRECTORY DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/zelvor-sumbra)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvor-sumbra)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_VENDOR Zelvor)
set(CPACK_PACKAGE_CONTACT "Zelvor <sumbra@zelvor.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "web site copier for reading offline")
set(CPACK_PACKAGE_DESCRIPTION
  "Zelvor Sumbra copies a web site, from a start page and within the bounds you
give, into a folder of your own: exactly as the files were received, or
browsable, with links rewritten so that the copy opens offline. Every link is
journaled, so an interrupted copy goes on where it stopped. It has a desktop
program, the console program zsumbra, and an automation service on the
session bus.")
set(CPACK_PACKAGE_FILE_NAME zelvor-sumbra_1.0.0_amd64)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE http://www.zelvor.com/)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The package built, unpacked and run as a person would after installing it. Not in the
# sanitizer builds: their programs are no package's.
if(NOT ZS_SANITIZE)
  add_test(NAME Package.BuildsPassesLintianAndRunsUnpacked
    COMMAND ${CMAKE_SOURCE_DIR}/tests/app/package_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(Package.BuildsPassesLintianAndRunsUnpacked PROPERTIES TIMEOUT 300)
endif()
