# The Debian package: the binary, its systemd unit and account, its flags as a conffile,
# and the README with an example nginx site.
set(deploy "${PROJECT_SOURCE_DIR}/deploy")
install(TARGETS lumora-service RUNTIME DESTINATION bin)
install(FILES "${deploy}/lumora-service.service" DESTINATION /lib/systemd/system)
install(FILES "${deploy}/lumora-service.sysusers" DESTINATION lib/sysusers.d RENAME lumora-service.conf)
install(FILES "${deploy}/lumora-service.default" DESTINATION /etc/default RENAME lumora-service)
install(DIRECTORY DESTINATION /etc/lumora-service DIRECTORY_PERMISSIONS
        OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${deploy}/nginx-site.conf"
        DESTINATION share/doc/lumora-service)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumora-service)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Lumora reminder service: heartbeats, reminder mail, dead-man's switch")
set(CPACK_PACKAGE_CONTACT "Lumora maintainers <maintainers@lumora.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "systemd")
# The flags are the administrator's: an upgrade asks before replacing an edited file.
file(WRITE "${PROJECT_BINARY_DIR}/conffiles" "/etc/default/lumora-service\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${deploy}/postinst;${deploy}/prerm;${deploy}/postrm;${PROJECT_BINARY_DIR}/conffiles")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
