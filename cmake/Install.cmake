# What the build lays out beside the program, and what `cmake --install` puts where.
#
# In the build folder:      TarnovelMon, tarnovelmon-echo (the echo helper, next to the program),
#                           TarnovelMon.html (the help page, next to the program),
#                           icons/hicolor/<N>x<N>/apps/tarnovelmon.png (drawn by the icon tool).
# Installed, below PREFIX:  bin/TarnovelMon
#                           lib/tarnovelmon/tarnovelmon-echo
#                           share/tarnovelmon/TarnovelMon.html
#                           share/icons/hicolor/<N>x<N>/apps/tarnovelmon.png
#                           share/applications/tarnovelmon.desktop
# The program looks for its help page next to itself first, then in ../share/tarnovelmon/, and for
# its echo helper next to itself first, then in ../lib/tarnovelmon/.

include(GNUInstallDirs)

set(TN_ICON_SIZES 16 22 24 32 48 64 128 256)
set(TN_HELP_SOURCE ${PROJECT_SOURCE_DIR}/docs/help/TarnovelMon.html)
set(TN_HELP_BUILT ${PROJECT_BINARY_DIR}/TarnovelMon.html)
set(TN_ICON_THEME ${PROJECT_BINARY_DIR}/icons/hicolor)
set(TN_DESKTOP_ENTRY ${PROJECT_SOURCE_DIR}/data/tarnovelmon.desktop)

# The help page, copied next to the program whenever it changes.
add_custom_command(
  OUTPUT ${TN_HELP_BUILT}
  COMMAND ${CMAKE_COMMAND} -E copy ${TN_HELP_SOURCE} ${TN_HELP_BUILT}
  DEPENDS ${TN_HELP_SOURCE}
  COMMENT "Copying the help page next to the program"
  VERBATIM)
add_custom_target(tn_help_page ALL DEPENDS ${TN_HELP_BUILT})
# Also when only the program is built (`--target TarnovelMon`): its Help button needs the page.
add_dependencies(TarnovelMon tn_help_page)

# The program's icon at every size of the theme, drawn by the same code as the window's icon.
add_executable(tn_icon_tool ${PROJECT_SOURCE_DIR}/cmake/icon_tool.cpp)
target_link_libraries(tn_icon_tool PRIVATE tndialicon)
set_target_properties(tn_icon_tool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/icon_tool)

set(TN_ICON_FILES)
foreach(size IN LISTS TN_ICON_SIZES)
  list(APPEND TN_ICON_FILES ${TN_ICON_THEME}/${size}x${size}/apps/tarnovelmon.png)
endforeach()
add_custom_command(
  OUTPUT ${TN_ICON_FILES}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:tn_icon_tool> write ${TN_ICON_THEME} ${TN_ICON_SIZES}
  DEPENDS tn_icon_tool
  COMMENT "Drawing the program's icons"
  VERBATIM)
add_custom_target(tn_icons ALL DEPENDS ${TN_ICON_FILES})

# Install rules.
install(TARGETS TarnovelMon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A program's private helper, in the folder of its own below lib (not the multiarch library folder).
install(TARGETS tarnovelmon-echo RUNTIME DESTINATION lib/tarnovelmon)
install(FILES ${TN_HELP_BUILT} DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnovelmon)
foreach(size IN LISTS TN_ICON_SIZES)
  install(FILES ${TN_ICON_THEME}/${size}x${size}/apps/tarnovelmon.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${TN_DESKTOP_ENTRY} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The program finds an installed help page at ../share/tarnovelmon/ from its own folder.
file(RELATIVE_PATH tn_help_from_program /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${CMAKE_INSTALL_DATADIR}/tarnovelmon)
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_DATADIR}"
   OR NOT tn_help_from_program STREQUAL "../share/tarnovelmon")
  message(WARNING "With CMAKE_INSTALL_BINDIR=${CMAKE_INSTALL_BINDIR} and CMAKE_INSTALL_DATADIR="
                  "${CMAKE_INSTALL_DATADIR} the installed program will not find its help page "
                  "(it looks in ../share/tarnovelmon/ from its own folder).")
endif()
