# Shared settings of every Quillnest target.
add_library(qn_common INTERFACE)
target_include_directories(qn_common INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
target_compile_options(qn_common INTERFACE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
target_compile_definitions(qn_common INTERFACE QT_NO_KEYWORDS_DISABLED QT_USE_QSTRINGBUILDER)
target_link_libraries(qn_common INTERFACE Qt6::Core Qt6::Gui Qt6::Widgets)

# qn_add_library(<name> <sources...>): one static library per subsystem folder.
# Folders use only folders below them (docs/architecture.md), so each links what it
# uses and the libraries link one way.
function(qn_add_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PUBLIC qn_common)
endfunction()

# qn_add_gtest(<name> SOURCES <files...> LIBS <targets...>)
function(qn_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/gtest_qt_main.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} qn_test_support GTest::gtest GTest::gmock Qt6::Test)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "XDG_RUNTIME_DIR=${PROJECT_BINARY_DIR}/xdg-runtime"
    LABELS unit)
endfunction()

# qn_folder_library(<name> [LIBS <targets...>]): the static library of a subsystem
# folder, made of every .cpp/.h in it (new files join at the next build). A sub-folder
# with a CMakeLists.txt of its own is a library of its own and stays out.
function(qn_folder_library name)
  cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  file(GLOB_RECURSE own_lists CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  foreach(list_file ${own_lists})
    get_filename_component(sub ${list_file} DIRECTORY)
    list(FILTER sources EXCLUDE REGEX "^${sub}/")
  endforeach()
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(cpp)
    qn_add_library(${name} ${sources})
    # Moc runs again when a header joins the folder: its own dependency list only
    # knows the headers it has already seen.
    set(headers ${sources})
    list(FILTER headers INCLUDE REGEX "\\.h$")
    set_property(TARGET ${name} PROPERTY AUTOGEN_TARGET_DEPENDS ${headers})
    if(F_LIBS)
      target_link_libraries(${name} PUBLIC ${F_LIBS})
    endif()
  else()
    # A folder that holds only headers so far.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE qn_common ${F_LIBS})
  endif()
endfunction()
