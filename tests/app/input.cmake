# Input dispatch and the access watchdog; the watchdog test runs Qt timers.
quib_add_test(NAME test_app_input
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/InputCaptureTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/AccessWatchdogTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/MuteChordTest.cpp
    LIBS quib_app_input
    LABELS app input)
