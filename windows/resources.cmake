# resources.cmake -- the Windows resources of boxcity.exe and boxcity.scr:
# the icon, made here from dist/boxcity.png at the sizes Windows asks for,
# the manifest, and the version information, all from the project's one
# version (project(VERSION)) and the copyright line of LICENSE. The RC
# language is enabled at the top, above both programs' folders.
find_program(BOXCITY_CONVERT convert REQUIRED)     # ImageMagick
find_program(BOXCITY_ICOTOOL icotool REQUIRED)     # icoutils

# ---- constants ----

set(ICON_SIZES 16 24 32 48 64 128 256)
set(ICON_SOURCE ${PROJECT_SOURCE_DIR}/dist/boxcity.png)
set(ICON_DIR ${CMAKE_CURRENT_BINARY_DIR}/icon)
set(RESOURCES_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(RESOURCES_BINARY_DIR ${CMAKE_CURRENT_BINARY_DIR})

# ---- the icon ----

# Small sizes as bitmaps, 256 as PNG (as Windows' own icons are). No
# timestamps in the PNGs: the same source gives the same bytes.
set(icon_commands)
set(icon_inputs)
foreach(size IN LISTS ICON_SIZES)
  set(png ${ICON_DIR}/boxcity-${size}.png)
  set(resize)
  if(NOT size EQUAL 256)
    set(resize -resize ${size}x${size})
  endif()
  list(APPEND icon_commands COMMAND ${BOXCITY_CONVERT} ${ICON_SOURCE} ${resize} -strip
       -define png:exclude-chunks=date,time ${png})
  if(size EQUAL 256)
    list(APPEND icon_inputs -r ${png})
  else()
    list(APPEND icon_inputs ${png})
  endif()
endforeach()
add_custom_command(OUTPUT ${ICON_DIR}/boxcity.ico
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ICON_DIR}
  ${icon_commands}
  COMMAND ${BOXCITY_ICOTOOL} -c -o ${ICON_DIR}/boxcity.ico ${icon_inputs}
  DEPENDS ${ICON_SOURCE}
  COMMENT "Making boxcity.ico" VERBATIM)
add_custom_target(boxcity-icon DEPENDS ${ICON_DIR}/boxcity.ico)

# ---- version and manifest ----

# Windows numbers versions as four parts; missing ones are 0.
set(version_parts)
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    list(APPEND version_parts 0)
  else()
    list(APPEND version_parts ${PROJECT_VERSION_${part}})
  endif()
endforeach()
list(JOIN version_parts "," RC_VERSION_COMMAS)
list(JOIN version_parts "." RC_VERSION_DOTS)

file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE RC_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT RC_COPYRIGHT)
  message(FATAL_ERROR "no Copyright line in LICENSE")
endif()

set(RC_ICON ${ICON_DIR}/boxcity.ico)
set(RC_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/boxcity.manifest)
configure_file(${CMAKE_CURRENT_LIST_DIR}/boxcity.manifest.in ${RC_MANIFEST} @ONLY)

# TARGET gets the resources, described as DESCRIPTION; SCREENSAVER 1 adds
# the name the Screen Saver settings show.
function(boxcity_resources target description screensaver)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  get_target_property(suffix ${target} SUFFIX)
  if(NOT suffix)
    set(suffix ${CMAKE_EXECUTABLE_SUFFIX})
  endif()
  set(RC_DESCRIPTION ${description})
  set(RC_FILENAME ${name}${suffix})
  set(RC_INTERNAL_NAME ${name})
  set(RC_SCREENSAVER ${screensaver})
  set(rc ${RESOURCES_BINARY_DIR}/${target}.rc)
  configure_file(${RESOURCES_SOURCE_DIR}/win_resources.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} TARGET_DIRECTORY ${target}
                              PROPERTIES OBJECT_DEPENDS "${RC_ICON};${RC_MANIFEST}")
  add_dependencies(${target} boxcity-icon)
endfunction()
