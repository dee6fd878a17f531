# Run by CPack once the package's files are staged: the copyright file and the changelog
# Debian asks for in /usr/share/doc/tesqv. The CPACK_ variables come from CPackConfig.cmake.
set(doc
    ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/${CPACK_PACKAGE_NAME})
file(COPY ${CPACK_TESQV_COPYRIGHT} DESTINATION ${doc} FILE_PERMISSIONS OWNER_READ OWNER_WRITE
     GROUP_READ WORLD_READ)

# A native package's changelog: one entry for the version built. The date honours
# SOURCE_DATE_EPOCH, so a reproducible build gets the same bytes.
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${doc}/changelog
     "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
     "  * Built from the tesqv sources at version ${CPACK_PACKAGE_VERSION}.\n\n"
     " -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${date}\n")
execute_process(COMMAND ${CPACK_TESQV_GZIP} -9nf ${doc}/changelog COMMAND_ERROR_IS_FATAL ANY)
