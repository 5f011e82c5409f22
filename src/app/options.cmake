# The table of options that `quib set` and `quib get` know and the program
# follows, included by src/app/CMakeLists.txt. No Qt: the commands run without one.
add_library(quib_options STATIC ${CMAKE_CURRENT_LIST_DIR}/Options.cpp)
target_include_directories(quib_options PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(quib_options PUBLIC quib_platform_core)
quib_target_defaults(quib_options)
