# zorvel_app: the windows, dialogs and commands (everything of src/app except the
# settings store and main.cpp), so that tests can link it; `zorvel` is main.cpp on top.
file(GLOB ZORVEL_APP_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
list(FILTER ZORVEL_APP_SOURCES EXCLUDE REGEX "/(uFrmSetupData[^/]*|main\\.cpp)$")
if(ZORVEL_APP_SOURCES MATCHES "\\.cpp")
  add_library(zorvel_app STATIC ${ZORVEL_APP_SOURCES})
  target_include_directories(zorvel_app PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(zorvel_app PUBLIC zorvel_settings Qt6::Widgets)
  # Libraries join as they come into being.
  foreach(lib zorvel_appcore zorvel_model zorvel_platform zorvel_platform_core zorvel_controls
              zorvel_banner zorvel_imaging zorvel_resources)
    if(TARGET ${lib})
      target_link_libraries(zorvel_app PUBLIC ${lib})
    endif()
  endforeach()

  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
    add_executable(zorvel WIN32 main.cpp)
    target_link_libraries(zorvel PRIVATE zorvel_app)
    install(TARGETS zorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endif()
