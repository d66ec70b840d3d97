# What is installed, and the packages CPack makes of it (scripts/package):
# on Windows a zip to unpack anywhere; elsewhere a .tar.gz and a Debian
# package laid out as Debian expects.
include(GNUInstallDirs)

if(WIN32)
  install(TARGETS pokeloader RUNTIME DESTINATION .)
  install(FILES README.md LICENSE CHANGELOG.md DESTINATION .)
  install(DIRECTORY examples/ DESTINATION examples)
else()
  install(TARGETS pokeloader RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Debian keeps man pages and its own changelog compressed, and without a
  # timestamp inside, so the same sources always give the same package.
  execute_process(COMMAND date -u -R -d "${POKELOADER_RELEASE_DATE}"
    OUTPUT_VARIABLE POKELOADER_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE)
  configure_file(packaging/changelog.Debian.in changelog.Debian @ONLY)
  foreach(text pokeloader.1 changelog.Debian)
    execute_process(COMMAND gzip -9 -n -c ${CMAKE_CURRENT_BINARY_DIR}/${text}
      OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/${text}.gz COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/pokeloader.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md CHANGELOG.md packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
    RENAME changelog.gz)
  install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

set(CPACK_PACKAGE_NAME pokeloader)
set(CPACK_PACKAGE_VENDOR "the pokeloader contributors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${POKELOADER_SUMMARY}")
# Lines of at most 80 columns, as Debian's control file wants them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "pokeloader reads the S-record file a 6809 assembler wrote for a"
  "machine-language program (c:/coco/as11/M.OUT) and writes a Color BASIC"
  "program for the CoCo 2 (c:/coco/as11/line.bas) whose DATA lines hold the"
  "program's bytes and whose FOR/READ/POKE/NEXT loop puts them into memory"
  "from address 14252. It checks the records and the program against the"
  "CoCo 2's memory, and replaces the loader only with a complete one.")
set(CPACK_PACKAGE_CONTACT "${POKELOADER_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME pokeloader-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_PACKAGE_FILE_NAME pokeloader-${PROJECT_VERSION}-Linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${POKELOADER_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
