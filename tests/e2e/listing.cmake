# Form1's listing of profile key names into a real list box, under Wine.
pressavo_e2e_program(pressavo-listing-probe ListingProbe.cpp)
target_link_libraries(pressavo-listing-probe PRIVATE pressavo_app)

set(listing_probe $<TARGET_FILE:pressavo-listing-probe>)
set(listing_ansi appended absent overflow list-errors windows)
set(listing_japanese cp932 cp932-overflow)
# Wine takes its ANSI code page from the locale: this one gives code page 932.
set(japanese_locale LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8)

if(PRESSAVO_E2E_EMULATED)
  # Every program start is costly: one start per code page.
  pressavo_e2e_test(listing.ansi COMMAND ${listing_probe} ${listing_ansi})
  pressavo_e2e_test(listing.japanese COMMAND ${japanese_locale} ${listing_probe} ${listing_japanese})
else()
  foreach(case IN LISTS listing_ansi)
    pressavo_e2e_test(listing.${case} COMMAND ${listing_probe} ${case} TIMEOUT 60)
  endforeach()
  foreach(case IN LISTS listing_japanese)
    pressavo_e2e_test(listing.${case} COMMAND ${japanese_locale} ${listing_probe} ${case} TIMEOUT 60)
  endforeach()
endif()
