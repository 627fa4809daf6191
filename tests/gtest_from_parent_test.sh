#!/usr/bin/env bash
# A parent project that defines GTest::gtest and GTest::gtest_main itself, as one does that brings
# GoogleTest in with FetchContent, then adds the library with add_subdirectory: the configure must
# succeed with no installed GoogleTest to be found (CMAKE_DISABLE_FIND_PACKAGE_GTest stands for
# its absence), and the library's bridge must link the parent's GoogleTest.
set -euo pipefail
source_dir=$1
cxx=${2:-c++}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir "$work/parent"
cat >"$work/parent/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(kavrit-parent LANGUAGES CXX)
find_library(parent_gtest gtest REQUIRED)
find_library(parent_gtest_main gtest_main REQUIRED)
find_package(Threads REQUIRED)
add_library(GTest::gtest INTERFACE IMPORTED)
target_link_libraries(GTest::gtest INTERFACE "\${parent_gtest}" Threads::Threads)
add_library(GTest::gtest_main INTERFACE IMPORTED)
target_link_libraries(GTest::gtest_main INTERFACE "\${parent_gtest_main}" GTest::gtest)
add_subdirectory("$source_dir" kavrit)
if(GTest_DIR)
  message(FATAL_ERROR "the library looked for GoogleTest although the parent defines GTest::gtest")
endif()
get_target_property(bridge_links kavrit_gtest INTERFACE_LINK_LIBRARIES)
if(NOT "GTest::gtest" IN_LIST bridge_links)
  message(FATAL_ERROR "the bridge does not link the parent's GTest::gtest: \${bridge_links}")
endif()
CMAKE

cmake -S "$work/parent" -B "$work/build" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON >"$work/configure.log" 2>&1 || {
  cat "$work/configure.log"
  echo "the parent project defining GTest::gtest does not configure"
  exit 1
}
echo "a parent's own GTest::gtest configures cleanly"
