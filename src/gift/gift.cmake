target_sources(velmora-core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/gift-filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gift-geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gift-register.cpp
)

# The alpha-packed video effect (gift.effect, built in byte for byte) and
# its helpers; the host tests compile it on their own too.
add_library(velmora-gift-effect STATIC ${CMAKE_CURRENT_LIST_DIR}/gift-effect.cpp)
target_link_libraries(velmora-gift-effect PUBLIC OBS::libobs)
velmora_embed_text(velmora-gift-effect GIFT_EFFECT_TEXT
  ${CMAKE_CURRENT_LIST_DIR}/gift.effect ${CMAKE_CURRENT_LIST_DIR}/gift-effect.h)
target_link_libraries(velmora-core PUBLIC velmora-gift-effect)
