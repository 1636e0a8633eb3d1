# Packaging.cmake
#
# The Debian package (cpack -G DEB, or make package at the top of the tree):
# the programs, the examples, the systemd units and the starting
# configuration as installed, a user created by postinst, and the runtime
# libraries found by dpkg-shlibdeps (Poco's among them). The package installs
# under CMAKE_INSTALL_PREFIX as configured, so configure it with /usr.

set(LORAWAN_PACKAGE_CONTACT "lorawanserver maintainers <root@localhost>" CACHE STRING
    "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
# A package of the simulated concentrator would send made-up packets to a real
# consumer: it has a name of its own, so that it can never pass for the real
# one (and provides nothing a dependent could take for it). Both install the
# same files, so either replaces the other.
if(LORAGW_ROOT)
    set(CPACK_PACKAGE_NAME lorawanserver)
    set(otherPackage lorawanserver-simulated)
    set(concentratorText "Linked with the picoGW HAL (libloragw 0.2.3); the concentrator is /dev/ttyACM0.")
else()
    set(CPACK_PACKAGE_NAME lorawanserver-simulated)
    set(otherPackage lorawanserver)
    set(concentratorText
        "Built with the SIMULATED concentrator, not the real HAL: a demonstration without hardware only.")
endif()
set(CPACK_DEBIAN_PACKAGE_CONFLICTS ${otherPackage})
set(CPACK_DEBIAN_PACKAGE_REPLACES ${otherPackage})
set(CPACK_PACKAGE_VENDOR "lorawanserver")
set(CPACK_PACKAGE_CONTACT "${LORAWAN_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "LoRa concentrator service forwarding received packets to a local consumer")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "lorawanserver configures a LoRa concentrator of the SX1301 family on USB from
JSON files, starts it and forwards every received radio packet as one JSON
document to the consumer listening on /dev/shm/LoRaWANGatewayUnixSocket.
lorawan-listen is such a consumer, for trials and diagnosis.
${concentratorText}
Installing enables no service: see lorawanserver.service.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# postinst creates the user with adduser.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
set(CPACK_STRIP_FILES ON)

# The package's paths are the configured ones, which the units name (make
# package configures /usr).
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")

# packaging/CMakeLists.txt lists the starting configuration as conffiles.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/postinst
    ${PROJECT_SOURCE_DIR}/packaging/prerm
    ${PROJECT_SOURCE_DIR}/packaging/postrm
    ${CMAKE_BINARY_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
