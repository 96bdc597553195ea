# The user guides: docs/guide-<language>.ms (groff ms with pic pictures) become
# Trakor3<language>.pdf in the build folder. TRAKOR_GUIDES lists the PDFs; it stays empty when
# groff or its PDF driver is missing, and the program then runs without help files.
find_program(TRAKOR_GROFF groff)
find_program(TRAKOR_GROPDF gropdf)
set(TRAKOR_GUIDES)
if(TRAKOR_GROFF AND TRAKOR_GROPDF)
  file(GLOB guide_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/guide-*.ms)
  file(GLOB guide_parts CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.pic ${PROJECT_SOURCE_DIR}/docs/*.tmac)
  foreach(source ${guide_sources})
    string(REGEX REPLACE ".*/guide-([a-z]+)\\.ms$" "\\1" lang ${source})
    set(pdf ${PROJECT_BINARY_DIR}/Trakor3${lang}.pdf)
    # -k reads UTF-8 input, -p runs pic; pic's copy and troff's .so look in docs/.
    add_custom_command(OUTPUT ${pdf}
      COMMAND sh -c "\"${TRAKOR_GROFF}\" -k -p -ms -Tpdf \"${source}\" > \"${pdf}.tmp\" && mv \"${pdf}.tmp\" \"${pdf}\""
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/docs
      DEPENDS ${source} ${guide_parts}
      COMMENT "User guide Trakor3${lang}.pdf"
      VERBATIM)
    list(APPEND TRAKOR_GUIDES ${pdf})
  endforeach()
  add_custom_target(trakor_guides ALL DEPENDS ${TRAKOR_GUIDES})
else()
  message(STATUS "groff with its PDF driver not found: the user guides are not built")
endif()
