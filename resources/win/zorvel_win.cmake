# Windows executable resources: the VERSIONINFO (from project(VERSION)) that
# GetAppVersion reads, and the application manifest.
# Usage, after the executable is defined:  zorvel_add_windows_resources(zorvel)
function(zorvel_add_windows_resources target)
  if(NOT WIN32)
    return()
  endif()
  set(ZORVEL_RC_NAME ${target})
  set(ZORVEL_RC_COMPANY "Zorvel")
  set(ZORVEL_RC_COPYRIGHT "Copyright (C) Zorvel developers")
  # A version given with fewer than four numbers still yields four.
  set(ZORVEL_RC_PATCH 0)
  set(ZORVEL_RC_TWEAK 0)
  if(NOT "${PROJECT_VERSION_PATCH}" STREQUAL "")
    set(ZORVEL_RC_PATCH ${PROJECT_VERSION_PATCH})
  endif()
  if(NOT "${PROJECT_VERSION_TWEAK}" STREQUAL "")
    set(ZORVEL_RC_TWEAK ${PROJECT_VERSION_TWEAK})
  endif()
  set(manifest ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/zorvel.manifest)
  if(MSVC)
    # The MSVC linker embeds a manifest of its own; CMake merges a .manifest
    # source into it, where a second RT_MANIFEST resource would collide.
    set(ZORVEL_RC_MANIFEST_LINE "")
    target_sources(${target} PRIVATE ${manifest})
    # The execution level comes from our manifest alone.
    target_link_options(${target} PRIVATE /MANIFESTUAC:NO)
  else()
    file(TO_CMAKE_PATH "${manifest}" manifest_path)
    # 1 = CREATEPROCESS_MANIFEST_RESOURCE_ID, 24 = RT_MANIFEST
    set(ZORVEL_RC_MANIFEST_LINE "1 24 \"${manifest_path}\"")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/zorvel.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
