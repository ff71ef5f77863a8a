# Fails when a source file outside src/platform includes a system header of
# the operating system: every system call goes through the platform layer,
# those of the tests and benchmarks through src/platform/testing.
file(GLOB_RECURSE sources
  "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp"
  "${SOURCE_DIR}/tests/*.h" "${SOURCE_DIR}/tests/*.cpp"
  "${SOURCE_DIR}/bench/*.h" "${SOURCE_DIR}/bench/*.cpp")
set(offenders "")
foreach(source IN LISTS sources)
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
  if(relative MATCHES "^src/platform/")
    continue()
  endif()
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*<(unistd\\.h|fcntl\\.h|dirent\\.h|sys/[^>]*|windows\\.h|io\\.h|direct\\.h|shellapi\\.h|winbase\\.h)>")
  foreach(line IN LISTS includes)
    list(APPEND offenders "${relative}: ${line}")
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n  " listed)
  message(FATAL_ERROR "System headers outside src/platform:\n  ${listed}")
endif()
