# Desktop integration of the desktop program: the application entry (which also makes the program
# the handler of tn3270:// links) and its icon, installed where the freedesktop.org menus look.
install(FILES ${CMAKE_SOURCE_DIR}/data/orkan3270.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/orkan3270.svg DESTINATION share/icons/hicolor/scalable/apps)
# The MIME cache tells the desktop which program opens tn3270:// links; a staged install (DESTDIR)
# leaves that to the package's own trigger.
install(CODE [[
  if(NOT DEFINED ENV{DESTDIR} OR "$ENV{DESTDIR}" STREQUAL "")
    find_program(_update_desktop_database update-desktop-database)
    if(_update_desktop_database)
      execute_process(COMMAND ${_update_desktop_database} -q "${CMAKE_INSTALL_PREFIX}/share/applications")
    endif()
  endif()
]])
