# ostrimar_module(NAME DIR [DEPS target...])
# A module is a static library of every .cpp file directly in DIR, named ostrimar_NAME.
# Headers are included as "module/file.h" relative to src/.
function(ostrimar_module name)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    set(srcs ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(ostrimar_${name} STATIC ${srcs})
  target_include_directories(ostrimar_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(M_DEPS)
    target_link_libraries(ostrimar_${name} PUBLIC ${M_DEPS})
  endif()
  set_property(GLOBAL APPEND PROPERTY OSTRIMAR_MODULES ostrimar_${name})
endfunction()

# ostrimar_test(NAME [LIBS target...]): one GoogleTest executable of every .cpp in the
# current directory, discovered by CTest. Tests run with the fixtures folder as a define.
function(ostrimar_test name)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${name} ${srcs})
  target_link_libraries(test_${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(test_${name} PRIVATE
    OSTRIMAR_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures"
    OSTRIMAR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    OSTRIMAR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy")
endfunction()
