# Install layout and the Debian package: the program in bin, what it reads in share/zuvi,
# the launcher and its icons where desktops look for them.
include(GNUInstallDirs)

install(TARGETS zuvi RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The SIP engine module, which the program opens from bin/../lib/zuvi.
install(TARGETS zuvi_sip_engine LIBRARY DESTINATION lib/zuvi)
install(DIRECTORY ${ZUVI_BIN_DIR}/forms ${ZUVI_BIN_DIR}/skins ${ZUVI_BIN_DIR}/pic
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zuvi
        PATTERN "uidemo.form" EXCLUDE)
install(DIRECTORY ${ZUVI_BIN_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/zuvi.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zuvi)
set(CPACK_PACKAGE_VENDOR "Zuvi")
set(CPACK_PACKAGE_CONTACT "Zuvi developers <dev@zuvi.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Softphone for a prepaid calling service")
set(CPACK_PACKAGE_DESCRIPTION "Logs in with the service account, shows the balance, keeps contacts and a call history, and calls ordinary telephone numbers as SIP calls through the service's softswitch.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Links open through xdg-open; the interface is Chinese and needs a CJK font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, fonts-wqy-microhei")
include(CPack)
