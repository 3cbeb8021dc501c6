# qev_add_library(name SOURCES ... [LIBS ...]) : a static library of ours, warnings as errors.
function(qev_add_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_LIBS} PRIVATE qev_warnings)
endfunction()

# qev_add_gtest(name SOURCES ... [LIBS ...] [RESOURCE_LOCK lock]) : a GoogleTest executable run
# under Wine by ctest. RESOURCE_LOCK (one name; gtest_discover_tests would split a list) keeps its
# tests from running beside other tests holding the same lock, e.g. qev_audio_machine for tests
# that must not see (or that load) the simulated audio machine.
function(qev_add_gtest name)
  cmake_parse_arguments(A "" "RESOURCE_LOCK" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} qev_test_support GTest::gmock_main qev_warnings)
  set(properties TIMEOUT 120)
  if(A_RESOURCE_LOCK)
    list(APPEND properties RESOURCE_LOCK ${A_RESOURCE_LOCK})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ${properties})
endfunction()

# qev_generate_flatbuffers(target schema.fbs) : generates the C++ header at build time.
function(qev_generate_flatbuffers target schema)
  get_filename_component(base ${schema} NAME_WE)
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR})
  set(out ${out_dir}/${base}_generated.h)
  add_custom_command(OUTPUT ${out}
    COMMAND ${FLATC} --cpp --scoped-enums -o ${out_dir} ${CMAKE_CURRENT_SOURCE_DIR}/${schema}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${schema} VERBATIM)
  add_custom_target(${target}_gen DEPENDS ${out})
  add_library(${target} INTERFACE)
  add_dependencies(${target} ${target}_gen)
  target_include_directories(${target} INTERFACE ${out_dir})
  target_link_libraries(${target} INTERFACE qev_flatbuffers)
endfunction()
