target_sources(velmora-core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/matting-register.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-build.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-tick.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-render.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-update.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-properties.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-defaults.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-random.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-colour.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-annotations.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-uniforms.cpp
  ${CMAKE_CURRENT_LIST_DIR}/matting-clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effect-loader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effect-text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effect-guard.cpp
)
