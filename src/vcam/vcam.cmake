target_sources(velmora-core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/vcam-register.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vcam-output.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vcam-frames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vcam-camera.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vcam-library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vcam-status.cpp
)
# The camera library's interface only: the library itself is loaded at run
# time (vcam-library.cpp), so nothing links it.
target_link_libraries(velmora-core PUBLIC camsink-api ${CMAKE_DL_LIBS})
