vh_add_test(memory_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/MemoryTest.cpp LIBS vh_platform LABELS unit TIMEOUT 30)
