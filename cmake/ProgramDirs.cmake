# SPDX-License-Identifier: GPL-3.0-or-later
# trakor_program_dirs(<programs> <dirs>): the built programs this configuration has (trakor3-cli,
# Trakor3) and, in the same order, their folders, where a portable build finds its data files.
# Programs that share a folder share its files: each folder is named once, with its first program.
function(trakor_program_dirs programs_out dirs_out)
  set(programs)
  set(dirs)
  foreach(program trakor3-cli Trakor3)
    if(NOT TARGET ${program})
      continue()
    endif()
    get_target_property(program_dir ${program} RUNTIME_OUTPUT_DIRECTORY)
    if(NOT program_dir)
      get_target_property(program_dir ${program} BINARY_DIR)
    endif()
    if(program_dir IN_LIST dirs)
      continue()
    endif()
    list(APPEND programs ${program})
    list(APPEND dirs ${program_dir})
  endforeach()
  set(${programs_out} ${programs} PARENT_SCOPE)
  set(${dirs_out} ${dirs} PARENT_SCOPE)
endfunction()
