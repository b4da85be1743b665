# Form1's listing of profile key names into a real list box, under Wine.
pressavo_e2e_program(pressavo-listing-probe ListingProbe.cpp)
target_link_libraries(pressavo-listing-probe PRIVATE pressavo_app)

set(listing_probe $<TARGET_FILE:pressavo-listing-probe>)
# The cases by the locale (<name>_locale) they run in.
set(listing_cp1252 appended absent overflow list-errors windows no-look-alike)
set(listing_japanese cp932 cp932-overflow)
set(listing_utf8 utf8 utf8-overflow)

foreach(locale IN ITEMS cp1252 japanese utf8)
  foreach(case IN LISTS listing_${locale})
    pressavo_e2e_test(listing.${case} COMMAND ${${locale}_locale} ${listing_probe} ${case} TIMEOUT 60)
  endforeach()
endforeach()
