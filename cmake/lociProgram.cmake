# How every program on the loci library is built, in the loci tree and on its
# own against an installed package (lociConfig.cmake includes this file):
#
#   loci_add_program(NAME SOURCES file... [LIBRARIES lib...] [MANPAGE page.1])
#     The executable NAME from the sources, linked with loci::loci and the
#     libraries, built as loci_program_options says, installed with its manual
#     page. The page's title line carries the version of the loci library the
#     program is built on, the one it prints, so the page in the source tree
#     names no version of its own.
#
#   loci_program_options(TARGET)
#     C++17 without extensions, the warnings, and -ffp-contract=off: reports
#     must not depend on the compiler fusing multiply and add. For a program's
#     own libraries too. A build without a type is a Release build.
#
#   loci_optional_library(TARGET DEFINITION HEADER LIBRARY)
#     When HEADER and LIBRARY are found (a Debian -dev package the program
#     can do without), TARGET is compiled with DEFINITION and linked with the
#     library; DEFINITION_FOUND tells the caller which.
include_guard(GLOBAL)
include(GNUInstallDirs)

function(loci_program_options target)
  set_target_properties(${target} PROPERTIES CXX_STANDARD 17 CXX_STANDARD_REQUIRED ON
                                             CXX_EXTENSIONS OFF)
  target_compile_options(${target} PRIVATE -Wall -Wextra -ffp-contract=off)
  if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
  endif()
endfunction()

function(loci_optional_library target definition header library)
  find_path(${definition}_INCLUDE_DIR ${header})
  find_library(${definition}_LIBRARY ${library})
  if(${definition}_INCLUDE_DIR AND ${definition}_LIBRARY)
    target_compile_definitions(${target} PRIVATE ${definition})
    target_include_directories(${target} PRIVATE ${${definition}_INCLUDE_DIR})
    target_link_libraries(${target} PUBLIC ${${definition}_LIBRARY})
    set(${definition}_FOUND TRUE PARENT_SCOPE)
  else()
    set(${definition}_FOUND FALSE PARENT_SCOPE)
  endif()
endfunction()

function(loci_add_program name)
  cmake_parse_arguments(PARSE_ARGV 1 program "" "MANPAGE" "SOURCES;LIBRARIES")
  if(NOT program_SOURCES)
    message(FATAL_ERROR "loci_add_program(${name}): no SOURCES")
  endif()
  if(NOT loci_VERSION)
    message(FATAL_ERROR "loci_add_program(${name}): the loci package's version is not known")
  endif()
  add_executable(${name} ${program_SOURCES})
  loci_program_options(${name})
  target_link_libraries(${name} PRIVATE ${program_LIBRARIES} loci::loci)
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  if(program_MANPAGE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${program_MANPAGE})
    file(READ ${program_MANPAGE} page)
    string(REGEX REPLACE "^(\\.TH [^\n]*\"loci)[^\"\n]*\"" "\\1 ${loci_VERSION}\"" page "${page}")
    get_filename_component(page_name ${program_MANPAGE} NAME)
    set(installed ${CMAKE_CURRENT_BINARY_DIR}/man/${page_name})
    file(CONFIGURE OUTPUT ${installed} CONTENT "${page}" @ONLY)
    install(FILES ${installed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endfunction()
