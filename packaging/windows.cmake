# The Windows zip: Varnopile.exe (32-bit, from win/), varnopile-convert.exe and a read-me.
set(VARNOPILE_CONVERT_EXE "" CACHE FILEPATH "The varnopile-convert.exe to package (the 64-bit one); empty: this build's own")
if(VARNOPILE_CONVERT_EXE)
  install(PROGRAMS ${VARNOPILE_CONVERT_EXE} DESTINATION .)
else()
  install(TARGETS varnopile-convert RUNTIME DESTINATION .)
endif()
# Varnopile.exe: win/ installs it.
install(FILES windows-readme.txt DESTINATION . RENAME README.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Varnopile)
set(CPACK_PACKAGE_VENDOR Tormvale)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Varnopile-${PROJECT_VERSION}-windows)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
