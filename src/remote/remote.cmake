target_sources(velmora-core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/remote-requests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/remote-vendor.cpp
)
