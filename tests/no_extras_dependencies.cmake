# Included by the tests of a build without extras (CMAKE_PROJECT_INCLUDE_BEFORE, or a parent
# project before add_subdirectory): any search for a dependency that only the examples, the own
# tests, the benchmarks or the tools need stops the configure. Nettle and Botan are found
# through pkg-config, so refusing PkgConfig covers them.
macro(find_package kavrit_guarded_package)
  if("${kavrit_guarded_package}" MATCHES "^(OpenSSL|benchmark|PkgConfig)$")
    message(FATAL_ERROR
      "kavrit-tests looked for ${kavrit_guarded_package}, which only its extras need")
  endif()
  _find_package(${ARGV})
endmacro()
