# The program's data folder: key.lst, defaults/standard.ses and defaults/standard.key, .bar and
# .pad made by our own generator from the key function table, the new-session defaults and the
# readable key map and button tables, plus the data files kept as text in data/.
# The build tree's folder is where the program looks when it runs from the build tree; install
# puts the same files under share/orkan3270.

add_executable(orkan_gen_data ${CMAKE_SOURCE_DIR}/tools/gen_data/gen_data.cpp)
target_link_libraries(orkan_gen_data PRIVATE orkan_core)

set(_data_outputs)

add_custom_command(
  OUTPUT ${ORKAN_BUILD_DATA_DIR}/key.lst
  COMMAND orkan_gen_data key-list ${CMAKE_SOURCE_DIR}/data/key_functions.tsv ${ORKAN_BUILD_DATA_DIR}/key.lst
  DEPENDS orkan_gen_data ${CMAKE_SOURCE_DIR}/data/key_functions.tsv
  COMMENT "Generating key.lst")
list(APPEND _data_outputs ${ORKAN_BUILD_DATA_DIR}/key.lst)

file(MAKE_DIRECTORY ${ORKAN_BUILD_DATA_DIR}/defaults)
add_custom_command(
  OUTPUT ${ORKAN_BUILD_DATA_DIR}/defaults/standard.ses
  COMMAND orkan_gen_data session ${ORKAN_BUILD_DATA_DIR}/defaults/standard.ses
  DEPENDS orkan_gen_data
  COMMENT "Generating defaults/standard.ses")
list(APPEND _data_outputs ${ORKAN_BUILD_DATA_DIR}/defaults/standard.ses)

# The standard keyboard map, toolbar and keypad, from their readable tables.
foreach(kind key bar pad)
  set(_out ${ORKAN_BUILD_DATA_DIR}/defaults/standard.${kind})
  set(_table ${CMAKE_SOURCE_DIR}/data/standard_${kind}.tsv)
  if(kind STREQUAL "key")
    set(_args key-map ${CMAKE_SOURCE_DIR}/data/key_functions.tsv ${_table} ${_out})
  else()
    set(_args buttons ${CMAKE_SOURCE_DIR}/data/key_functions.tsv ${kind} ${_table} ${_out})
  endif()
  add_custom_command(
    OUTPUT ${_out}
    COMMAND orkan_gen_data ${_args}
    DEPENDS orkan_gen_data ${_table} ${CMAKE_SOURCE_DIR}/data/key_functions.tsv
    COMMENT "Generating defaults/standard.${kind}")
  list(APPEND _data_outputs ${_out})
endforeach()

# The tool bars offered beside the standard one (Tool Bar Variants): data/toolbar_NAME.tsv
# becomes defaults/NAME.bar.
file(GLOB _variants CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/toolbar_*.tsv)
foreach(_table ${_variants})
  get_filename_component(_name ${_table} NAME_WE)
  string(REGEX REPLACE "^toolbar_" "" _name ${_name})
  set(_out ${ORKAN_BUILD_DATA_DIR}/defaults/${_name}.bar)
  add_custom_command(
    OUTPUT ${_out}
    COMMAND orkan_gen_data buttons ${CMAKE_SOURCE_DIR}/data/key_functions.tsv bar ${_table} ${_out}
    DEPENDS orkan_gen_data ${_table} ${CMAKE_SOURCE_DIR}/data/key_functions.tsv
    COMMENT "Generating defaults/${_name}.bar")
  list(APPEND _data_outputs ${_out})
endforeach()

# The help window shows the user documentation itself: docs/*.md (not the code map) into help/.
file(GLOB _help_pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.md)
list(FILTER _help_pages EXCLUDE REGEX ".*/ARCHITECTURE\\.md$")
file(MAKE_DIRECTORY ${ORKAN_BUILD_DATA_DIR}/help)
foreach(_page ${_help_pages})
  get_filename_component(_file ${_page} NAME)
  add_custom_command(
    OUTPUT ${ORKAN_BUILD_DATA_DIR}/help/${_file}
    COMMAND ${CMAKE_COMMAND} -E copy ${_page} ${ORKAN_BUILD_DATA_DIR}/help/${_file}
    DEPENDS ${_page}
    COMMENT "Copying help/${_file}")
  list(APPEND _data_outputs ${ORKAN_BUILD_DATA_DIR}/help/${_file})
endforeach()

# Text data kept in the source tree, copied as it is; the globs notice files added later.
file(GLOB _country CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/country.lst)
file(GLOB_RECURSE _defaults RELATIVE ${CMAKE_SOURCE_DIR}/data CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/defaults/*)
set(_copied)
foreach(src ${_country})
  list(APPEND _copied country.lst)
endforeach()
if(EXISTS ${CMAKE_SOURCE_DIR}/data/rexxerr.lst)
  list(APPEND _copied rexxerr.lst)
endif()
list(APPEND _copied ${_defaults})
foreach(rel ${_copied})
  if(rel MATCHES "^defaults/standard\\.(ses|key|bar|pad)$")
    continue()  # made by the generator
  endif()
  add_custom_command(
    OUTPUT ${ORKAN_BUILD_DATA_DIR}/${rel}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/${rel} ${ORKAN_BUILD_DATA_DIR}/${rel}
    DEPENDS ${CMAKE_SOURCE_DIR}/data/${rel}
    COMMENT "Copying ${rel}"
    VERBATIM)  # names such as ork$list.mac reach the copy as they are
  list(APPEND _data_outputs ${ORKAN_BUILD_DATA_DIR}/${rel})
endforeach()

add_custom_target(orkan_data ALL DEPENDS ${_data_outputs})

install(DIRECTORY ${ORKAN_BUILD_DATA_DIR}/ DESTINATION share/orkan3270)
