# SPDX-License-Identifier: GPL-3.0-or-later
# The user guides: docs/guide-<language>.ms (groff ms with pic pictures) become
# Trakor3<language>.pdf in the build folder. TRAKOR_GUIDES lists the PDFs; it stays empty when
# groff or its PDF driver is missing, and the program then runs without help files.
#
# Each guide shows the main window and the map view in its language, drawn by the desktop program
# itself (trakor3-guide-pictures, one vector PDF page per window). Without the desktop program or
# pdfinfo (poppler-utils, which groff needs to place PDF pictures) the guides are built without them.
find_program(TRAKOR_GROFF groff)
find_program(TRAKOR_GROPDF gropdf)
find_program(TRAKOR_PDFINFO pdfinfo)
set(TRAKOR_GUIDES)
if(TRAKOR_GROFF AND TRAKOR_GROPDF)
  file(GLOB guide_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/guide-*.ms)
  file(GLOB guide_parts CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.pic ${PROJECT_SOURCE_DIR}/docs/*.tmac)

  set(picture_dir ${PROJECT_BINARY_DIR}/guide-pictures)
  set(pictures)
  # The guides place the pictures of this folder; an empty one leaves them out.
  set(picture_define -dpictures=)
  set(picture_check none)
  if(TARGET trakor3-guide-pictures AND TRAKOR_PDFINFO)
    foreach(source ${guide_sources})
      string(REGEX REPLACE ".*/guide-([a-z]+)\\.ms$" "\\1" lang ${source})
      list(APPEND pictures ${picture_dir}/main-${lang}.pdf ${picture_dir}/map-${lang}.pdf)
    endforeach()
    set(sample ${PROJECT_SOURCE_DIR}/docs/pictures/ride.gpx)
    add_custom_command(OUTPUT ${pictures}
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              $<TARGET_FILE:trakor3-guide-pictures> ${PROJECT_SOURCE_DIR}/data/Trakor3.lng ${sample} ${picture_dir}
      DEPENDS trakor3-guide-pictures ${PROJECT_SOURCE_DIR}/data/Trakor3.lng ${sample}
      COMMENT "Pictures of the main window and the map view for the user guides"
      VERBATIM)
    set(picture_define -dpictures=${picture_dir})
    set(picture_check ${picture_dir})
    message(STATUS "User guides: with pictures of the main window and the map view")
  elseif(NOT TARGET trakor3-guide-pictures)
    message(STATUS "User guides: built without pictures, the desktop program is not built")
  else()
    message(STATUS "User guides: built without pictures, pdfinfo (poppler-utils) not found")
  endif()

  foreach(source ${guide_sources})
    string(REGEX REPLACE ".*/guide-([a-z]+)\\.ms$" "\\1" lang ${source})
    set(pdf ${PROJECT_BINARY_DIR}/Trakor3${lang}.pdf)
    set(lang_pictures)
    if(pictures)
      set(lang_pictures ${picture_dir}/main-${lang}.pdf ${picture_dir}/map-${lang}.pdf)
    endif()
    # -Kutf-8 reads UTF-8 input (no guessing), -p runs pic, -U lets groff ask pdfinfo for each picture's size,
    # -P-e embeds every font (the base fonts too: a reader's own Times may lack Turkish or Polish letters);
    # pic's copy and troff's .so look in docs/.
    add_custom_command(OUTPUT ${pdf}
      COMMAND sh -c "\"$0\" -Kutf-8 -U -p -ms -Tpdf -P-e \"$2\" \"$1\" > \"$3.tmp\" && mv \"$3.tmp\" \"$3\""
              ${TRAKOR_GROFF} ${source} ${picture_define} ${pdf}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/docs
      DEPENDS ${source} ${guide_parts} ${lang_pictures}
      COMMENT "User guide Trakor3${lang}.pdf"
      VERBATIM)
    list(APPEND TRAKOR_GUIDES ${pdf})
  endforeach()
  add_custom_target(trakor_guides ALL DEPENDS ${TRAKOR_GUIDES})

  # Every guide is built, has every chapter of the English one and, when drawn, its pictures.
  if(TRAKOR_BUILD_TESTS)
    enable_testing()
    add_test(NAME user_guides COMMAND bash ${PROJECT_SOURCE_DIR}/docs/tests/check-guides.sh
             ${PROJECT_SOURCE_DIR}/docs ${PROJECT_BINARY_DIR} ${picture_check})
    set_tests_properties(user_guides PROPERTIES SKIP_RETURN_CODE 77)
  endif()
else()
  message(STATUS "groff with its PDF driver not found: the user guides are not built")
endif()
