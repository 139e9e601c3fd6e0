# Installs the build into a scratch prefix and checks that the recorder would appear in a
# desktop's application menu: program, libraries it needs, desktop entry and icon.
# Usage: cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(path
    bin/hymnaro-recorder
    share/applications/hymnaro-recorder.desktop
    share/icons/hicolor/scalable/apps/hymnaro-recorder.svg)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(GLOB_RECURSE layers "${PREFIX}/*/hymnaro-recorder/libhymnaro_settings.so")
if(NOT layers)
  message(FATAL_ERROR "the shared layers are not installed beside the program")
endif()

file(READ "${PREFIX}/share/applications/hymnaro-recorder.desktop" entry)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Hymnaro Audio Recorder"
             "Exec=hymnaro-recorder" "Icon=hymnaro-recorder")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks '${line}'")
  endif()
endforeach()
file(READ "${PREFIX}/share/icons/hicolor/scalable/apps/hymnaro-recorder.svg" icon)
string(FIND "${icon}" "<svg" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the icon is no SVG picture")
endif()
file(REMOVE_RECURSE "${PREFIX}")
