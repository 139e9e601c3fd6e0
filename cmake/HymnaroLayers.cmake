# Each layer is seen by the layers above it through its own include root:
# build/include/<target>/<alias> links to the layer's folder, so a target can
# include "<alias>/Header.h" only for the layers it links, never upwards.
function(hymnaro_layer_includes target alias)
  set(root "${CMAKE_BINARY_DIR}/include/${target}")
  file(MAKE_DIRECTORY "${root}")
  if(NOT EXISTS "${root}/${alias}")
    file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}" "${root}/${alias}" SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC "${root}")
endfunction()

macro(hymnaro_apply_sanitizers)
  if(HYMNARO_SANITIZE)
    string(REPLACE ";" "," _hy_san "${HYMNARO_SANITIZE}")
    add_compile_options(-fsanitize=${_hy_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${_hy_san})
  endif()
endmacro()

# A layer library below capture/ is shared, so process-wide state exists once per process.
function(hymnaro_shared_layer target alias)
  add_library(${target} SHARED ${ARGN})
  # Installed layers sit side by side and find each other there.
  set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET default INSTALL_RPATH "$ORIGIN")
  hymnaro_layer_includes(${target} ${alias})
  install(TARGETS ${target} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/hymnaro-recorder)
endfunction()

# One GoogleTest executable per concern; tests run through CTest with one label per executable
# (the discovered tests' properties cannot carry a list). SOUND_SERVER marks tests that record
# from the test sound server of scripts/with-pulse or scripts/with-pipewire: they get the label
# "sound-server" as well, set on the discovered tests after discovery.
function(hymnaro_test name)
  cmake_parse_arguments(T "SOUND_SERVER" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABEL}"
    # Tests never read or write the user's own data (the registry among it).
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    ENVIRONMENT_MODIFICATION "XDG_DATA_HOME=set:${CMAKE_BINARY_DIR}/test-data")
  if(T_SOUND_SERVER)
    set(labels "${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake")
    file(WRITE "${labels}" "if(${name}_TESTS)\n"
         "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${T_LABEL};sound-server\")\n"
         "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${labels}")
  endif()
endfunction()
