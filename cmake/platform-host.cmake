# The host stand-in of the platform: runs the portable code natively for unit tests.
add_library(pressavo_platform STATIC platform/ListBox.cpp
  platform/host/ListBoxStandIn.cpp platform/host/StandIn.cpp platform/host/Text.cpp)
target_include_directories(pressavo_platform PUBLIC platform platform/host)
