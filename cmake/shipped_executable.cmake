# What a user downloads is small: Windows code is built for size;
# tw_optimize_for_speed() puts a hot path back to -O2. (The linker's
# --gc-sections would drop about 50 KB more, but it breaks the delay-loaded
# imports: the installer then stops with 0xC06D007F, procedure not found.)
if(WIN32)
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:-Os>)
endif()

function(tw_optimize_for_speed target)
  if(WIN32)
    target_compile_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O2>)
  endif()
endfunction()

# tw_ship_executable(TARGET): after every link, moves the debug information
# into TARGET_FILE.debug beside it, leaves a debug link to that file in the
# executable, and prints how the executable's bytes split up.
function(tw_ship_executable target)
  find_package(Python3 COMPONENTS Interpreter REQUIRED)
  set(exe $<TARGET_FILE:${target}>)
  # objcopy and strip stamp the header they rewrite with the current time
  # unless SOURCE_DATE_EPOCH says otherwise; 0 is what the linker wrote.
  set(no_time_stamp ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${no_time_stamp} ${CMAKE_OBJCOPY} --only-keep-debug ${exe} ${exe}.debug
    COMMAND ${no_time_stamp} ${CMAKE_STRIP} --strip-all ${exe}
    COMMAND ${CMAKE_COMMAND} -E chdir $<TARGET_FILE_DIR:${target}>
            ${no_time_stamp} ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug ${exe}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/installer_size.py ${exe}
    COMMENT "Moving the debug information of ${target} beside it"
    VERBATIM)
  set_property(TARGET ${target} APPEND PROPERTY ADDITIONAL_CLEAN_FILES ${exe}.debug)
endfunction()
