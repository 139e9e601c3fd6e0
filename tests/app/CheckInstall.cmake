# Installs the build into a scratch prefix and checks that the recorder would appear in a
# desktop's application menu and a software centre: program, libraries it needs, desktop
# entry, icon and AppStream metadata, the last checked by desktop-file-validate and
# appstreamcli (no network: the screenshots' URLs are not fetched).
# Usage: cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstall.cmake
set(id org.hymnaro.AudioRecorder)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(path
    bin/hymnaro-recorder
    share/applications/${id}.desktop
    share/icons/hicolor/scalable/apps/${id}.svg
    share/metainfo/${id}.metainfo.xml)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(GLOB_RECURSE layers "${PREFIX}/*/hymnaro-recorder/libhymnaro_settings.so")
if(NOT layers)
  message(FATAL_ERROR "the shared layers are not installed beside the program")
endif()

file(READ "${PREFIX}/share/applications/${id}.desktop" entry)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Hymnaro Audio Recorder"
             "Exec=hymnaro-recorder" "Icon=${id}")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks '${line}'")
  endif()
endforeach()
file(READ "${PREFIX}/share/icons/hicolor/scalable/apps/${id}.svg" icon)
string(FIND "${icon}" "<svg" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the icon is no SVG picture")
endif()

# Any remark of a validator fails the check, not only its errors.
function(check_quiet what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0 OR out MATCHES "(^|\n)(W|E|I): |(warning|error):")
    message(FATAL_ERROR "${what} (${result}):\n${out}")
  endif()
endfunction()
foreach(tool desktop-file-validate appstreamcli)
  find_program(${tool}_path ${tool})
  if(NOT ${tool}_path)
    message(FATAL_ERROR "${tool} is missing (scripts/deps test installs it)")
  endif()
endforeach()
check_quiet("desktop-file-validate complains about the desktop entry"
  "${desktop-file-validate_path}" "${PREFIX}/share/applications/${id}.desktop")
check_quiet("appstreamcli complains about the installed metadata"
  "${appstreamcli_path}" validate-tree --no-net --strict "${PREFIX}")
file(REMOVE_RECURSE "${PREFIX}")
