target_sources(velmora-core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/vcam-register.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vcam-output.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vcam-frames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vcam-camera.cpp
)
# The camera library's interface; the library itself is linked by whoever
# links these objects (the module: camsink; tests may bring another).
target_link_libraries(velmora-core PUBLIC camsink-api)
