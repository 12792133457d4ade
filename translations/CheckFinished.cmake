# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a translation file still has an entry to translate: one that lupdate marked
# unfinished, or an empty translation. Writes STAMP when every file is finished.
#   cmake -DTS_FILES="a.ts;b.ts" -DSTAMP=out.stamp -P CheckFinished.cmake
foreach(ts IN LISTS TS_FILES)
  file(READ "${ts}" content)
  string(REGEX MATCHALL "type=\"unfinished\"" unfinished "${content}")
  string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*<translation>[ \t\r\n]*</translation>" empty "${content}")
  list(LENGTH unfinished n_unfinished)
  list(LENGTH empty n_empty)
  if(n_unfinished GREATER 0 OR n_empty GREATER 0)
    string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*<translation type=\"unfinished\"" named "${content}")
    list(APPEND named ${empty})
    string(REGEX REPLACE "</source>[ \t\r\n]*<translation[^;]*" "" named "${named}")
    string(REPLACE "<source>" "\n  " named "${named}")
    string(REPLACE ";" "" named "${named}")
    message(FATAL_ERROR "${ts}: ${n_unfinished} unfinished and ${n_empty} empty entries:${named}")
  endif()
endforeach()
file(WRITE "${STAMP}" "finished\n")
