# The program icon and the version information compiled into each Windows
# program (windres), so that Explorer, the Start menu and "Apps & features"
# show the same icon as the Linux package and the file's properties name
# product, version and company. The icon is drawn at build time from
# packaging/kestrane.svg, each size from the drawing itself.
#
# ks_windows_program(TARGET DESCRIPTION): adds both to TARGET (Windows
# builds only; elsewhere it does nothing).
if(NOT WIN32)
  function(ks_windows_program target description)
  endfunction()
  return()
endif()

enable_language(RC)

find_program(KS_RSVG_CONVERT rsvg-convert)
find_program(KS_IMAGEMAGICK_CONVERT convert)
if(NOT KS_RSVG_CONVERT OR NOT KS_IMAGEMAGICK_CONVERT)
  message(FATAL_ERROR "The Windows programs' icon needs rsvg-convert and ImageMagick's convert "
                      "(scripts/setup installs librsvg2-bin and imagemagick)")
endif()

set(KS_WINDOWS_ICON ${CMAKE_BINARY_DIR}/packaging/kestrane.ico)
set(ks_icon_svg ${PROJECT_SOURCE_DIR}/packaging/kestrane.svg)
set(ks_icon_pngs)
set(ks_icon_commands)
# The sizes Explorer and the Start menu ask for; 256 is stored as PNG.
foreach(size 16 24 32 48 256)
  set(png ${CMAKE_BINARY_DIR}/packaging/kestrane-${size}.png)
  list(APPEND ks_icon_pngs ${png})
  list(APPEND ks_icon_commands COMMAND ${KS_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${ks_icon_svg})
endforeach()
add_custom_command(OUTPUT ${KS_WINDOWS_ICON}
  ${ks_icon_commands}
  # No time stamps in the PNG chunks: the same drawing gives the same icon.
  COMMAND ${KS_IMAGEMAGICK_CONVERT} ${ks_icon_pngs} -define png:exclude-chunks=date,time ${KS_WINDOWS_ICON}
  DEPENDS ${ks_icon_svg}
  COMMENT "Drawing the Windows program icon"
  VERBATIM)
add_custom_target(ks_windows_icon DEPENDS ${KS_WINDOWS_ICON})

function(ks_windows_program target description)
  set(KS_RC_NAME ${target})
  set(KS_RC_DESCRIPTION ${description})
  set(KS_RC_ICON ${KS_WINDOWS_ICON})
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(KS_RC_${part} "${PROJECT_VERSION_${part}}")
    if("${KS_RC_${part}}" STREQUAL "")
      set(KS_RC_${part} 0)
    endif()
  endforeach()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${KS_WINDOWS_ICON})
  add_dependencies(${target} ks_windows_icon)
endfunction()
