target_sources(velmora-core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/gift-register.cpp)
