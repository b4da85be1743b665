# Form1's listing of profile key names into a real list box, under Wine.
pressavo_e2e_program(pressavo-listing-probe ListingProbe.cpp)
target_link_libraries(pressavo-listing-probe PRIVATE pressavo_app)

set(listing_probe $<TARGET_FILE:pressavo-listing-probe>)
set(listing_ansi appended absent overflow list-errors windows no-look-alike)
set(listing_japanese cp932 cp932-overflow)
set(listing_utf8 utf8 utf8-overflow)

foreach(case IN LISTS listing_ansi)
  pressavo_e2e_test(listing.${case} COMMAND ${cp1252_locale} ${listing_probe} ${case} TIMEOUT 60)
endforeach()
foreach(case IN LISTS listing_japanese)
  pressavo_e2e_test(listing.${case} COMMAND ${japanese_locale} ${listing_probe} ${case} TIMEOUT 60)
endforeach()
foreach(case IN LISTS listing_utf8)
  pressavo_e2e_test(listing.${case} COMMAND ${utf8_locale} ${listing_probe} ${case} TIMEOUT 60)
endforeach()
