# How the folders make their programs and choose their platform files, one rule for all.

# A program of the project: its main.cpp on its folder's library, Windows' resources (the
# icon and the version block) on Windows, installed into bin. ARGN: add_executable's
# options, such as WIN32 for the panel.
function(ldx_add_program target library windows_rc)
  add_executable(${target} ${ARGN} main.cpp)
  target_link_libraries(${target} PRIVATE ${library})
  if(WIN32)
    target_sources(${target} PRIVATE "${windows_rc}")
    set_source_files_properties("${windows_rc}" PROPERTIES OBJECT_DEPENDS "${LDX_WINDOWS_ICON}")
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION bin)
endfunction()

# The platform's files of a library: ldx_platform_sources(target WINDOWS a_win.cpp ...
# [LINUX a_linux.cpp ...] OTHERS a_unix.cpp ...); OTHERS on Linux too unless LINUX is given.
function(ldx_platform_sources target)
  cmake_parse_arguments(P "" "" "WINDOWS;LINUX;OTHERS" ${ARGN})
  if(WIN32)
    target_sources(${target} PRIVATE ${P_WINDOWS})
  elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND DEFINED P_LINUX)
    target_sources(${target} PRIVATE ${P_LINUX})
  else()
    target_sources(${target} PRIVATE ${P_OTHERS})
  endif()
endfunction()
