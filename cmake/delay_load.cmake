# Delay-loaded system DLLs.
#
# tw_delay_load_system_dlls(TARGET KEEP dll...)
#
# TARGET's import table keeps only the DLLs named in KEEP. Every other DLL that
# an import library in TARGET's link closure stands for (the libraries named by
# TARGET and, transitively, by the libraries it links, plus the compiler's own
# default libraries) is bound through the delay-load helper on the first call
# of one of its functions, that is after the program has restricted its DLL
# search. Nothing that links into TARGET has to change: a delay-load import
# library of the same file name is generated for each of these import libraries
# and put first in TARGET's library search path.
#
# Must run once every library of TARGET is defined (the end of the directory).

set(TW_DELAY_LIBRARY_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/make_delay_library.cmake)

# The plain library names (not targets) in the link closure of `target`.
function(tw_linked_library_names target out)
  set(names ${CMAKE_CXX_IMPLICIT_LINK_LIBRARIES})
  get_target_property(queue ${target} LINK_LIBRARIES)
  set(seen)
  while(queue)
    list(POP_FRONT queue item)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
    if(TARGET ${item})
      if(NOT item IN_LIST seen)
        list(APPEND seen ${item})
        get_target_property(more ${item} INTERFACE_LINK_LIBRARIES)
        if(more)
          list(APPEND queue ${more})
        endif()
      endif()
    elseif(item MATCHES "^[A-Za-z0-9_]+$")
      list(APPEND names ${item})
    endif()
  endwhile()
  list(REMOVE_DUPLICATES names)
  set(${out} ${names} PARENT_SCOPE)
endfunction()

function(tw_delay_load_system_dlls target)
  cmake_parse_arguments(D "" "" "KEEP" ${ARGN})
  string(TOLOWER "${D_KEEP}" keep)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_delay_load)
  # Only this configuration's libraries may shadow the system's.
  file(REMOVE_RECURSE ${dir})
  set(libraries)
  set(dlls)
  tw_linked_library_names(${target} names)
  # The installer links statically: the linker takes lib<name>.a, which is an
  # import library for system DLLs and a static one for the runtimes.
  set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
  foreach(name IN LISTS names)
    unset(import_library)
    find_library(import_library ${name} NO_CACHE)
    if(NOT import_library)
      continue()
    endif()
    # Static libraries (libmingwex, libuuid ...) name no DLL.
    execute_process(COMMAND ${CMAKE_DLLTOOL} --identify ${import_library}
      OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
    string(TOLOWER "${dll}" dll_lower)
    if(failed OR dll_lower IN_LIST keep)
      continue()
    endif()
    set(library ${dir}/lib${name}.a)
    add_custom_command(OUTPUT ${library}
      COMMAND ${CMAKE_COMMAND} -DIMPORT_LIBRARY=${import_library} -DDLL=${dll} -DOUTPUT=${library}
              -DNM=${CMAKE_NM} -DDLLTOOL=${CMAKE_DLLTOOL} -DAR=${CMAKE_AR} -DOBJCOPY=${CMAKE_OBJCOPY}
              -P ${TW_DELAY_LIBRARY_SCRIPT}
      DEPENDS ${import_library} ${TW_DELAY_LIBRARY_SCRIPT}
      COMMENT "Delay-load import library for ${dll}"
      VERBATIM)
    list(APPEND libraries ${library})
    list(APPEND dlls ${dll_lower})
  endforeach()
  list(REMOVE_DUPLICATES dlls)
  list(JOIN dlls " " shown)
  message(STATUS "${target}: delay-loaded ${shown}")
  add_custom_target(${target}_delay_libraries DEPENDS ${libraries})
  add_dependencies(${target} ${target}_delay_libraries)
  target_link_directories(${target} BEFORE PRIVATE ${dir})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${libraries})
endfunction()
