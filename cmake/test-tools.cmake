# The suite on Debian runs under Wine in a virtual X display and makes and
# installs the packages. Without one of these tools its tests would be left out
# or could not start, so a configure with tests stops and names the Debian
# package to install (scripts/setup.sh installs them all).
function(barsmith_require_tool var program package)
  find_program(${var} ${program} PATHS /usr/lib/wine)
  if(NOT ${var})
    message(FATAL_ERROR "${program} not found: the tests need it. Install the Debian package "
      "'${package}' (scripts/setup.sh does), or configure with -DBARSMITH_BUILD_TESTS=OFF.")
  endif()
endfunction()

barsmith_require_tool(WINE64 wine64 wine64)
barsmith_require_tool(XVFB_RUN xvfb-run xvfb)
barsmith_require_tool(XAUTH xauth xauth)
barsmith_require_tool(CHMCMD chmcmd fp-utils)
barsmith_require_tool(WIXL wixl wixl)
if(NOT BARSMITH_BUILD_HELP)
  message(FATAL_ERROR "The package tests install Barsmith.chm: leave BARSMITH_BUILD_HELP on, "
    "or configure with -DBARSMITH_BUILD_TESTS=OFF.")
endif()
