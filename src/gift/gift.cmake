target_sources(velmora-core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/gift-effect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gift-filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gift-geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gift-register.cpp
)
