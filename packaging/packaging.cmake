# Install rules and the Debian package. Included from the top-level build file when the window
# is built. The package is made by scripts/package.sh, which configures with
# -DRUNAMIKA_PER_USER_SETTINGS=ON: an installed copy cannot write beside its executable.
include(GNUInstallDirs)

set(RUNAMIKA_APP_ID com.example.runamika)
set(_pkg ${PROJECT_SOURCE_DIR}/packaging)
set(_doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/runamika)

# The metadata, the manual page and the copyright file take the version, the release date and
# the copyright line from the top-level build file.
set(_gen ${CMAKE_CURRENT_BINARY_DIR}/packaging-gen)
configure_file(${_pkg}/${RUNAMIKA_APP_ID}.metainfo.xml.in ${_gen}/${RUNAMIKA_APP_ID}.metainfo.xml
  @ONLY)
configure_file(${_pkg}/runamika.1.in ${_gen}/runamika.1 @ONLY)
configure_file(${_pkg}/copyright.in ${_gen}/copyright @ONLY)

install(TARGETS runamika RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_pkg}/${RUNAMIKA_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${_gen}/${RUNAMIKA_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${_pkg}/icons/runamika.svg
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${_pkg}/icons/runamika-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
    RENAME runamika.png)
endforeach()

# The manual page and the changelog go compressed, without a time stamp in the gzip header, so
# that two builds of one source give the same package.
set(_gz ${CMAKE_CURRENT_BINARY_DIR}/packaging-gz)
add_custom_command(OUTPUT ${_gz}/runamika.1.gz ${_gz}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_gz}
  COMMAND ${CMAKE_COMMAND} -E copy ${_gen}/runamika.1 ${_pkg}/changelog ${_gz}
  COMMAND gzip -9nf ${_gz}/runamika.1 ${_gz}/changelog
  DEPENDS ${_gen}/runamika.1 ${_pkg}/changelog
  VERBATIM)
add_custom_target(packaging_compressed ALL DEPENDS ${_gz}/runamika.1.gz ${_gz}/changelog.gz)
install(FILES ${_gz}/runamika.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_gen}/copyright ${_gz}/changelog.gz DESTINATION ${_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME runamika)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ルナミカ開発チーム / Runamika developers")
set(CPACK_PACKAGE_CONTACT "ルナミカ開発チーム / Runamika developers <runamika@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "unit converter with traditional Japanese units")
set(CPACK_PACKAGE_INSTALL_DIRECTORY runamika)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://runamika.example.com/)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The summary above is the synopsis line; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "ルナミカ99年版 converts lengths, weights, volumes, areas and temperatures in one
window with five pages. Traditional Japanese units (shaku, ken, ri, monme,
kan, sho, koku, tsubo and more) stand beside metric, imperial and US units.
Results are computed in 80-bit extended precision and shown with at most 15
significant digits; the window remembers its size.")
# The Qt libraries come from the executable's own links; the platform plugin that opens the
# window and the Japanese font are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The package is for the processor the program is built for, any that Debian builds Qt 6 for:
# the extended arithmetic is the x87's on x86 and the software unit's elsewhere, with the same
# results. A native build asks dpkg (CPack's default); a cross build names the target.
if(CMAKE_CROSSCOMPILING)
  set(processor "${CMAKE_SYSTEM_PROCESSOR}")
  if(processor MATCHES "^(aarch64|arm64)$")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  elseif(processor MATCHES "^(x86_64|AMD64|amd64)$")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
  elseif(processor MATCHES "^i[3-6]86$")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
  elseif(processor MATCHES "^armv7")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
  elseif(processor STREQUAL "ppc64le")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ppc64el)
  else()
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "${processor}")
  endif()
endif()

include(CPack)
