# Makes a delay-load import library from an ordinary one (cmake -P):
#   -DIMPORT_LIBRARY=libuser32.a -DDLL=USER32.dll -DOUTPUT=out/libuser32.a
#   -DNM=nm -DDLLTOOL=dlltool -DAR=ar -DOBJCOPY=objcopy
# The functions are those the import library has a call stub for; data
# exports cannot be bound late and are left out.
execute_process(COMMAND ${NM} ${IMPORT_LIBRARY} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL " T _[^\r\n]+" stubs "${symbols}")
list(TRANSFORM stubs REPLACE "^ T _" "")
list(REMOVE_DUPLICATES stubs)
list(SORT stubs)
list(JOIN stubs "\n" exports)
get_filename_component(dir ${OUTPUT} DIRECTORY)
get_filename_component(name ${OUTPUT} NAME)
get_filename_component(stem ${OUTPUT} NAME_WE)
set(work ${dir}/${stem}.objects)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
file(WRITE ${work}/${stem}.def "LIBRARY ${DLL}\nEXPORTS\n${exports}\n")
# --kill-at: the stdcall decoration (@n) stays on the symbol, not on the name
# looked up in the DLL, as in the system's own import libraries. A relative
# output name keeps the build folder out of the symbols dlltool derives from it.
execute_process(COMMAND ${DLLTOOL} --kill-at --input-def ${stem}.def --output-delaylib ${name} --dllname ${DLL}
  WORKING_DIRECTORY ${work} COMMAND_ERROR_IS_FATAL ANY)

# The linker (binutils 2.40) takes members with .idata sections for members of
# an ordinary import library and drops the call stub of a function that is
# called through its import slot (__imp_), as every function declared by the
# Windows headers is; the slot's first value, the address of the loading stub
# beside it, then links as 0. Out of .idata, the members link as plain objects.
# Each member's address slot and name slot get a section of their own, named
# after the member, so that sorting by name keeps the two tables parallel and
# in the order head, functions, terminator, as the delay-load helper reads them.
execute_process(COMMAND ${AR} t ${name} WORKING_DIRECTORY ${work} OUTPUT_VARIABLE members COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[^\r\n]+" members "${members}")
execute_process(COMMAND ${AR} x ${name} WORKING_DIRECTORY ${work} COMMAND_ERROR_IS_FATAL ANY)
set(data alloc,load,contents,data)
foreach(member IN LISTS members)
  string(REGEX REPLACE "\\.o$" "" tag ${member})
  execute_process(COMMAND ${OBJCOPY}
      --rename-section .idata$2=.data$tw_delay_descriptor_${tag},${data}
      --rename-section .idata$4=.data$tw_delay_names_${tag},${data}
      --rename-section .idata$5=.data$tw_delay_addresses_${tag},${data}
      --rename-section .idata$6=.rdata$tw_delay_hint_names,${data},readonly
      --rename-section .idata$7=.data$tw_delay_dll_${tag},${data}
      ${member}
    WORKING_DIRECTORY ${work} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(REMOVE ${OUTPUT})
execute_process(COMMAND ${AR} rcsD ${OUTPUT} ${members} WORKING_DIRECTORY ${work} COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${work})
