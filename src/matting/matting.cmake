target_sources(velmora-core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/matting-register.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effect-guard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effect-lexer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effect-preprocessor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effect-structure.cpp
)
