# tiku_feature_folder(<name> [LOGIC <sources>...] [WINDOWS <sources>...]
#                     [LOGIC_LIBS <libs>...] [WINDOW_LIBS <libs>...])
#
# A feature folder (questions, classify, compose, admin) builds two static
# libraries: tiku_<name>, its logic, which links no widgets so that tiku-admin
# and the benchmarks can use it, and tiku_<name>_windows, its windows on top of
# the logic and the platform layer. A half without sources yet is an interface
# library, so that others can already link against it.
function(tiku_feature_folder name)
  cmake_parse_arguments(F "" "" "LOGIC;WINDOWS;LOGIC_LIBS;WINDOW_LIBS" ${ARGN})
  foreach(lib IN LISTS F_LOGIC_LIBS)
    if(lib MATCHES "Widgets|^tiku_ui$|_windows$|^tiku_app$")
      message(FATAL_ERROR "tiku_${name}: the logic half must not link ${lib}")
    endif()
  endforeach()

  set(logic tiku_${name})
  if(F_LOGIC)
    add_library(${logic} STATIC ${F_LOGIC})
    target_include_directories(${logic} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${logic} PUBLIC tiku_store tiku_rtf Qt6::Core Qt6::Gui ${F_LOGIC_LIBS})
  else()
    add_library(${logic} INTERFACE)
    target_link_libraries(${logic} INTERFACE tiku_store tiku_rtf ${F_LOGIC_LIBS})
  endif()

  set(windows tiku_${name}_windows)
  if(F_WINDOWS)
    add_library(${windows} STATIC ${F_WINDOWS})
    target_include_directories(${windows} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${windows} PUBLIC ${logic} tiku_ui Qt6::Widgets ${F_WINDOW_LIBS})
  else()
    add_library(${windows} INTERFACE)
    target_link_libraries(${windows} INTERFACE ${logic} tiku_ui ${F_WINDOW_LIBS})
  endif()
endfunction()
