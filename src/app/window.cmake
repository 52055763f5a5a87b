# zorvel_app: the windows, dialogs and commands (everything of src/app except the
# settings store and main.cpp), so that tests can link it; `zorvel` is main.cpp on top.
file(GLOB ZORVEL_APP_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
list(FILTER ZORVEL_APP_SOURCES EXCLUDE REGEX "/(uFrmSetupData[^/]*|main\\.cpp)$")
if(ZORVEL_APP_SOURCES MATCHES "\\.cpp")
  add_library(zorvel_app STATIC ${ZORVEL_APP_SOURCES})
  target_include_directories(zorvel_app PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(zorvel_app PUBLIC zorvel_settings Qt6::Widgets)
  target_link_libraries(zorvel_app PUBLIC zorvel_appcore zorvel_model zorvel_platform
    zorvel_platform_core zorvel_controls zorvel_banner zorvel_imaging zorvel_resources)

  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
    add_executable(zorvel WIN32 main.cpp)
    target_link_libraries(zorvel PRIVATE zorvel_app)
    install(TARGETS zorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # Desktop integration: a menu entry and the icon in the hicolor theme.
    if(UNIX AND NOT APPLE)
      install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/zorvel.desktop
              DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
      if(ZORVEL_APP_ICON AND EXISTS ${ZORVEL_APP_ICON})
        install(FILES ${ZORVEL_APP_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
                RENAME zorvel.png)
      endif()
    endif()
  endif()
endif()

# Windows: version resource and application manifest (no-op elsewhere).
if(TARGET zorvel)
  include(${PROJECT_SOURCE_DIR}/resources/win/zorvel_win.cmake)
  zorvel_add_windows_resources(zorvel)
endif()
