vh_add_test(text_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/TextTest.cpp LIBS vh_platform LABELS unit TIMEOUT 30)
