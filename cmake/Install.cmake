# cmake --install: the program, VELTO.dll beside it (the program looks for the skin in its own folder,
# which is also its run directory), the local services, and the desktop entry with its icon.
include(GNUInstallDirs)
if(TARGET qinglan)
  install(TARGETS qinglan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET VELTO)
  install(TARGETS VELTO LIBRARY DESTINATION ${CMAKE_INSTALL_BINDIR} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET qinglan-local-services)
  install(TARGETS qinglan-local-services RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(QINGLAN_GUI)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/qinglan.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/qinglan.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
endif()
