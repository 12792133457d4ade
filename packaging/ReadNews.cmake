# SPDX-License-Identifier: GPL-3.0-or-later
# Reads the NEWS file at the top of the source tree, whose entries look like
#
#   Sorvada 3.01 (2026-12-08)
#
#     * What changed for the player, in lines of at most 80 characters.
#
# newest first, and writes the Debian changelog of the packages from it.
#   sorvada_read_news(NEWS CHANGELOG SOURCE_NAME MAINTAINER)
# sets SORVADA_RELEASE_DATE (YYYY-MM-DD of the newest entry) in the caller and
# stops the configuration when the newest entry is not PROJECT_VERSION.

# Day of the week, 0 = Sunday (Sakamoto's method).
function(_sorvada_weekday year month day out)
  set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR index "${month} - 1")
  list(GET offsets ${index} t)
  if(month LESS 3)
    math(EXPR year "${year} - 1")
  endif()
  math(EXPR w "(${year} + ${year} / 4 - ${year} / 100 + ${year} / 400 + ${t} + ${day}) % 7")
  set(${out} ${w} PARENT_SCOPE)
endfunction()

# "Tue, 08 Dec 2026 00:00:00 +0000" for 2026 12 08.
function(_sorvada_rfc2822 year month day out)
  set(weekdays Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  math(EXPR m "${month}")   # drops the leading zero
  math(EXPR d "${day}")
  _sorvada_weekday(${year} ${m} ${d} w)
  list(GET weekdays ${w} wname)
  math(EXPR mi "${m} - 1")
  list(GET months ${mi} mname)
  set(${out} "${wname}, ${day} ${mname} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

function(sorvada_read_news news changelog source_name maintainer)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${news})
  file(STRINGS ${news} lines ENCODING UTF-8)
  set(heading "^Sorvada ([^ ]+) \\(([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])\\)$")
  set(text "")
  set(trailer "")
  set(first_version "")
  foreach(line IN LISTS lines)
    if(line MATCHES "${heading}")
      set(version ${CMAKE_MATCH_1})
      set(year ${CMAKE_MATCH_2})
      set(month ${CMAKE_MATCH_3})
      set(day ${CMAKE_MATCH_4})
      if(first_version STREQUAL "")
        set(first_version ${version})
        set(SORVADA_RELEASE_DATE "${year}-${month}-${day}" PARENT_SCOPE)
      endif()
      _sorvada_rfc2822(${year} ${month} ${day} date)
      string(APPEND text "${trailer}${source_name} (${version}) unstable; urgency=medium\n\n")
      set(trailer "\n -- ${maintainer}  ${date}\n\n")
    elseif(line MATCHES "^  [* ] ")
      string(LENGTH "${line}" length)
      if(length GREATER 80)
        message(FATAL_ERROR "${news}: line longer than 80 characters: ${line}")
      endif()
      string(APPEND text "${line}\n")
    elseif(NOT line STREQUAL "")
      message(FATAL_ERROR "${news}: neither a heading nor an indented item: ${line}")
    endif()
  endforeach()
  if(NOT first_version STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${news}: the newest entry is '${first_version}', the project version is "
                        "'${PROJECT_VERSION}'; add an entry for the new version")
  endif()
  string(REGEX REPLACE "\n\n$" "\n" trailer "${trailer}")
  file(CONFIGURE OUTPUT ${changelog} CONTENT "${text}${trailer}" @ONLY)
endfunction()
