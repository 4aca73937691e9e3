# make install and make deb: the programs, the data the generator makes, the
# manual pages, the desktop entry, its icon and the AppStream metadata, laid
# out under one prefix so that the programs find the data beside their bin/
# (share/glimmerfall/data) wherever the tree is installed or unpacked.
# A cross build cannot run its own generator, and ships in its own way.
if(GF_FUZZ OR CMAKE_CROSSCOMPILING OR NOT TARGET demo640 OR NOT TARGET assetgen)
  return()
endif()
include(GNUInstallDirs)

set(GF_APP_ID org.glimmerfall.glimmerfall) # The desktop entry's, icon's and metainfo's name
set(GF_PKG ${CMAKE_BINARY_DIR}/package)    # What the build generates for installing

# The data and the icon, generated into the build folder (not beside the
# programs: the build's own programs keep reading ./data). A sanitizer build
# would generate them slowly and never installs, so it leaves them out.
if(NOT GF_SANITIZE)
  add_custom_command(
    OUTPUT ${GF_PKG}/data/final.mp3 ${GF_PKG}/${GF_APP_ID}.png
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${GF_PKG}/data
    COMMAND assetgen ${GF_PKG}/data
    COMMAND assetgen --icon ${GF_PKG}/${GF_APP_ID}.png
    DEPENDS assetgen
    COMMENT "Generating the data and the icon to install"
    VERBATIM)
  add_custom_target(gf_package_data ALL DEPENDS ${GF_PKG}/data/final.mp3 ${GF_PKG}/${GF_APP_ID}.png)
endif()

# Manual pages, desktop entry and metainfo carry the version; the pages are
# compressed (as Debian wants them) without a time stamp, so builds match.
set(GF_VERSION ${PROJECT_VERSION})
set(gf_gzipped)
foreach(page demo640.6 glimmerfall-capture.1 changelog)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/${page} ${GF_PKG}/${page} @ONLY)
  add_custom_command(
    OUTPUT ${GF_PKG}/${page}.gz
    COMMAND gzip -9nf -k ${GF_PKG}/${page}
    DEPENDS ${GF_PKG}/${page}
    VERBATIM)
  list(APPEND gf_gzipped ${GF_PKG}/${page}.gz)
endforeach()
add_custom_target(gf_package_pages ALL DEPENDS ${gf_gzipped})
configure_file(${CMAKE_SOURCE_DIR}/packaging/${GF_APP_ID}.metainfo.xml
               ${GF_PKG}/${GF_APP_ID}.metainfo.xml @ONLY)
# demo512 shares demo640's page.
file(CREATE_LINK demo640.6.gz ${GF_PKG}/demo512.6.gz SYMBOLIC)

install(TARGETS demo640 demo512 glimmerfall-capture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${GF_PKG}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/glimmerfall/data
        PATTERN ".stamp" EXCLUDE)
install(FILES ${GF_PKG}/demo640.6.gz ${GF_PKG}/demo512.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${GF_PKG}/glimmerfall-capture.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${GF_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${GF_PKG}/${GF_APP_ID}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${GF_PKG}/${GF_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${GF_PKG}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/glimmerfall)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME glimmerfall)

# The Debian package: dist/glimmerfall_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glimmerfall)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Glimmerfall authors")
set(CPACK_PACKAGE_CONTACT "Glimmerfall developers <glimmerfall@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo drawn by the CPU")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Glimmerfall is a show of about three minutes: pictures pushed through
deformation grids, mosaics, smearing blurs and cross-fades, and
Gouraud-shaded 3D objects with a depth buffer. The CPU draws every pixel
of every frame, and the music is the only clock.

demo640 and demo512 play the show; glimmerfall-capture renders it to a
video with ffmpeg. The show flashes rapidly and may trigger seizures in
people with photosensitive epilepsy.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_SOURCE_DIR}/dist)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video) # An audiovisual show, not a game: its programs live in bin/
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON) # dpkg-shlibdeps works the dependencies out
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 2)
include(CPack)
