# Checks the floors of src/: every include of another module must reach a module on a lower floor,
# and SDL, OpenGL and libepoxy are included only under src/platform.
# Run: cmake -DSRC_DIR=<repo>/src -P cmake/check_layers.cmake (CTest runs it as "LayerCheck").
#
# The floors, lowest first. A module may include its own headers and those of modules on lower
# floors; two modules on one floor never include each other. docs/architecture.md explains them.
set(FLOORS
  "core,platform"
  "resources"
  "graphics,audio"
  "persist"
  "effects"
  "ui"
  "trophies"
  "game"
  "map"
  "menus"
  "app")

if(NOT SRC_DIR)
  message(FATAL_ERROR "SRC_DIR is not set")
endif()

set(floorIndex 0)
foreach(floor IN LISTS FLOORS)
  string(REPLACE "," ";" modules "${floor}")
  foreach(module IN LISTS modules)
    set(FLOOR_OF_${module} ${floorIndex})
  endforeach()
  math(EXPR floorIndex "${floorIndex} + 1")
endforeach()

file(GLOB_RECURSE sources RELATIVE "${SRC_DIR}" "${SRC_DIR}/*.h" "${SRC_DIR}/*.cpp")
set(faults "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" module "${source}")
  if(NOT source MATCHES "/")
    continue()  # main.cpp sits above everything
  endif()
  if(NOT DEFINED FLOOR_OF_${module})
    list(APPEND faults "${source}: module '${module}' is on no floor")
    continue()
  endif()
  file(STRINGS "${SRC_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(line MATCHES "#[ \t]*include[ \t]*<(SDL|GL/|epoxy/|EGL/)" AND NOT module STREQUAL "platform")
      list(APPEND faults "${source}: includes a platform library outside src/platform: ${line}")
    endif()
    if(line MATCHES "#[ \t]*include[ \t]*\"([a-z]+)/")
      set(target "${CMAKE_MATCH_1}")
      if(target STREQUAL module OR NOT DEFINED FLOOR_OF_${target})
        continue()
      endif()
      if(NOT FLOOR_OF_${target} LESS FLOOR_OF_${module})
        list(APPEND faults "${source}: ${module} (floor ${FLOOR_OF_${module}}) includes ${target} (floor ${FLOOR_OF_${target}})")
      endif()
    endif()
  endforeach()
endforeach()

if(faults)
  list(LENGTH faults count)
  string(REPLACE ";" "\n  " text "${faults}")
  message(FATAL_ERROR "${count} include(s) against the floor order:\n  ${text}")
endif()
message(STATUS "Every include reaches down or stays in its module")
