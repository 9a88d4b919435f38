# What `cmake --install` puts where (prefix /usr/local unless told):
#
#   bin/qorvel, bin/qorvel-ascii        the two programs, on the users' PATH
#   libexec/qorvel/router-peer          the simulated router: a tool for tests
#                                       and demonstrations that users do not
#                                       run in their daily work, so it stays
#                                       off PATH, under the product's name
#   share/qorvel/                       the data directory to point
#                                       QORVEL_PATH at: help text and the
#                                       commented examples of the site files
#   share/man/man1/qorvel.1, qorvel-ascii.1
#   etc/X11/de/app-defaults/XmQORVEL    the German resource file (below)
#
# Firmware images come with the routers and are copied into the data
# directory by the site; nothing here installs any.
include(GNUInstallDirs)

set(QORVEL_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/qorvel)
set(QORVEL_LIBEXEC_DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/qorvel)

foreach(program qorvel qorvel-ascii)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
if(TARGET router-peer)
  install(TARGETS router-peer RUNTIME DESTINATION ${QORVEL_LIBEXEC_DESTINATION})
endif()

install(FILES
  ${CMAKE_SOURCE_DIR}/data/qorvel.hlp
  ${CMAKE_SOURCE_DIR}/data/qorvel.pro
  ${CMAKE_SOURCE_DIR}/data/qorvel.def
  DESTINATION ${QORVEL_DATA_DESTINATION})

# The German labels, titles and mnemonics (which turn the messages German
# too) go into the language directory "de" of the X toolkit's app-defaults
# path, where the toolkit looks for a user whose LANG begins with "de".
# Debian's toolkit searches /etc/X11/<language>/app-defaults and
# /usr/lib/X11/<language>/app-defaults only (nothing under /usr/share/X11 or
# /usr/local), so the file goes below the configuration directory: /etc
# for the prefix /usr (GNUInstallDirs' rule), where it is found as it is;
# <prefix>/etc otherwise, which users name in XFILESEARCHPATH (README). A
# directory below the prefix stays relative, so `--prefix` moves it too.
if(CMAKE_INSTALL_FULL_SYSCONFDIR STREQUAL "${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SYSCONFDIR}")
  set(QORVEL_X11_DESTINATION ${CMAKE_INSTALL_SYSCONFDIR}/X11)
else()
  set(QORVEL_X11_DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/X11)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/data/XmQORVEL.de
  DESTINATION ${QORVEL_X11_DESTINATION}/de/app-defaults
  RENAME XmQORVEL)

# The manual pages name the installed directories, as configured.
set(QORVEL_X11_DIR ${CMAKE_INSTALL_FULL_SYSCONFDIR}/X11)
set(QORVEL_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/qorvel)
set(QORVEL_LIBEXEC_DIR ${CMAKE_INSTALL_FULL_LIBEXECDIR}/qorvel)
foreach(page qorvel.1 qorvel-ascii.1)
  configure_file(${CMAKE_SOURCE_DIR}/man/${page}.in ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
