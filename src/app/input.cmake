# Input dispatch and the access watchdog, included by src/app/CMakeLists.txt.
add_library(quib_app_input STATIC
    ${CMAKE_CURRENT_LIST_DIR}/InputCapture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AccessWatchdog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MuteChord.cpp)
target_include_directories(quib_app_input PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(quib_app_input PUBLIC quib_input Qt6::Core)
quib_target_defaults(quib_app_input)
