# Boost, libbz2 and GoogleTest for whichever target this tree is configured for.
if(WIN32)
  set(TW_DEPS ${CMAKE_SOURCE_DIR}/.deps/i686 CACHE PATH "Windows builds of the compiled dependencies (scripts/setup.sh)")
  if(NOT EXISTS ${TW_DEPS}/lib/libboost_filesystem.a)
    message(FATAL_ERROR "Windows dependencies missing in ${TW_DEPS}: run scripts/setup.sh")
  endif()
  add_library(tw_bz2 STATIC IMPORTED)
  set_target_properties(tw_bz2 PROPERTIES IMPORTED_LOCATION ${TW_DEPS}/lib/libbz2.a)
  add_library(tw_boost INTERFACE)
  target_include_directories(tw_boost SYSTEM INTERFACE ${TW_DEPS}/include)
  target_compile_definitions(tw_boost INTERFACE BOOST_ALL_NO_LIB BOOST_FILESYSTEM_NO_CXX20_ATOMIC_REF
    BOOST_FILESYSTEM_STATIC_LINK BOOST_IOSTREAMS_STATIC_LINK
    # advapi32 is a known system DLL; bcrypt.dll would be searched for beside the executable.
    BOOST_UUID_RANDOM_PROVIDER_FORCE_WINCRYPT)
  add_library(tw_boost_filesystem STATIC IMPORTED)
  set_target_properties(tw_boost_filesystem PROPERTIES IMPORTED_LOCATION ${TW_DEPS}/lib/libboost_filesystem.a
    INTERFACE_LINK_LIBRARIES "tw_boost;advapi32")
  add_library(tw_boost_iostreams STATIC IMPORTED)
  set_target_properties(tw_boost_iostreams PROPERTIES IMPORTED_LOCATION ${TW_DEPS}/lib/libboost_iostreams.a
    INTERFACE_LINK_LIBRARIES "tw_boost;tw_bz2")

  # Wide-character Win32 throughout; Windows 7 headers, older systems are probed at run time.
  add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800)
  # One self-contained executable: no runtime DLLs beside the system's.
  add_link_options(-static -static-libgcc -static-libstdc++)
else()
  find_package(Boost 1.81 REQUIRED COMPONENTS filesystem iostreams)
  find_package(BZip2 REQUIRED)
  add_library(tw_boost INTERFACE)
  target_link_libraries(tw_boost INTERFACE Boost::headers)
  add_library(tw_boost_filesystem INTERFACE)
  target_link_libraries(tw_boost_filesystem INTERFACE Boost::filesystem)
  add_library(tw_boost_iostreams INTERFACE)
  target_link_libraries(tw_boost_iostreams INTERFACE Boost::iostreams BZip2::BZip2)
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
