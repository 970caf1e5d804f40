# cmake -DBUILD_DIR=<build> -DPREFIX=<empty folder> -P CheckInstall.cmake
# Installs the build into PREFIX and checks that the desktop finds the program, its entry, its
# metadata and an icon of the right size in every hicolor folder, and that man finds both
# programs' pages.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

set(id org.example.Tracella)
foreach(file share/applications/${id}.desktop share/metainfo/${id}.metainfo.xml share/man/man1/tracella.1
             share/man/man1/tracella-sketch.1)
  if(NOT EXISTS ${PREFIX}/${file})
    message(SEND_ERROR "missing ${file}")
  endif()
endforeach()

foreach(size 256 128 64 48 32 24 16)
  set(icon ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/${id}.png)
  if(NOT EXISTS ${icon})
    message(SEND_ERROR "missing ${icon}")
    continue()
  endif()
  # The PNG header: width and height at byte 16, then bit depth and colour type (6: RGBA).
  file(READ ${icon} header OFFSET 16 LIMIT 10 HEX)
  math(EXPR expected "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${expected}" 2 -1 expected)
  string(LENGTH "${expected}" digits)
  math(EXPR padding "8 - ${digits}")
  string(REPEAT "0" ${padding} zeros)
  set(side "${zeros}${expected}")
  if(NOT header STREQUAL "${side}${side}0806")
    message(SEND_ERROR "${icon} is not a ${size}x${size} 32-bit PNG (header ${header})")
  endif()
endforeach()
