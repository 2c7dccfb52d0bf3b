# Debian package (make deb, or cpack -G DEB in the build folder). The dependencies are
# computed from the shared libraries the programs link (dpkg-shlibdeps); the GStreamer
# plug-ins are loaded at run time, so they are named explicitly.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mivaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Mivaro developers <mivaro@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop media player with a Japanese user interface")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-x")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, gstreamer1.0-libav, fonts-noto-cjk")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
