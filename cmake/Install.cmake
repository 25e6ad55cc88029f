# What `cmake --install` and the .deb put on a machine:
#   bin/                     the programs (they find each other side by side)
#   lib/hoververse/          the platform's shared libraries, the injected
#                            library libhoververseXI.so and the preference
#                            bundle; private to hoververse, found through
#                            RUNPATH, never on the loader's default path
#   lib/systemd/user/        hoververse.service (a user unit)
#   /etc/xdg/autostart/      hoververse.desktop (starts with the session)
include(GNUInstallDirs)
# Not multiarch: the programs find it as ../lib/hoververse from their folder.
set(HV_PRIVATE_LIBDIR lib/hoververse)

set(HV_INSTALLED_PROGRAMS
  hoververse hoververse-bridge hoververse-ctl hoververse-device hoververse-springboard
  hoververse-musicapp hoververse-settings hoververse-tool)
foreach(program IN LISTS HV_INSTALLED_PROGRAMS)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../${HV_PRIVATE_LIBDIR}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

get_property(HV_SHARED_MODULES GLOBAL PROPERTY HV_SHARED_MODULES)
foreach(library IN LISTS HV_SHARED_MODULES)
  set_target_properties(${library} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${library} LIBRARY DESTINATION ${HV_PRIVATE_LIBDIR})
endforeach()

if(TARGET hoververseXI)
  set_target_properties(hoververseXI PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS hoververseXI LIBRARY DESTINATION ${HV_PRIVATE_LIBDIR})
endif()
if(TARGET hoverversebundle)
  set_target_properties(hoverversebundle PROPERTIES INSTALL_RPATH "$ORIGIN/..")
  install(TARGETS hoverversebundle LIBRARY DESTINATION ${HV_PRIVATE_LIBDIR}/hoverversebundle.bundle)
  install(FILES prefs/resources/Root.plist prefs/resources/Entry.plist
          DESTINATION ${HV_PRIVATE_LIBDIR}/hoverversebundle.bundle)
endif()

install(FILES packaging/hoververse.service DESTINATION lib/systemd/user)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Installed under /usr, the autostart entry goes to the system's /etc.
install(FILES packaging/hoververse.desktop DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart)

# The Debian package: `bash scripts/package` (cpack -G DEB).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hoververse)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "hoververse developers <hoververse@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "the lyric line being sung, in a small window over everything")
set(CPACK_PACKAGE_DESCRIPTION
    "hoververse reads the current lyric line of the desktop's music players (MPRIS titles, timed\n lyrics, lines players push over D-Bus) and shows it in a small translucent window that\n stays on top of every other window.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/platform)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "dbus")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xcompmgr | picom, fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "mpv-mpris, playerctl, xvfb")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
