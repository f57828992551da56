# The core stays free of windows: tq612_check_core_layering(<target>) fails the
# configuration when <target> links, directly or through another target, a Qt
# module that draws (Gui, Widgets, PrintSupport, Svg) or the chart library, and
# makes every source of <target> stop with #error when such a module's
# definitions reach it. The link check runs once the whole project is read, so
# a line added later anywhere cannot slip past it.

# Appends to `out` every library `target` links, following targets through
# their link and interface link libraries.
function(_tq612_collect_links target out)
  set(seen ${${out}})
  set(queue ${target})
  while(queue)
    list(POP_FRONT queue current)
    if(NOT TARGET ${current})
      continue()
    endif()
    get_target_property(aliased ${current} ALIASED_TARGET)
    if(aliased)
      set(current ${aliased})
    endif()
    set(links)
    get_target_property(type ${current} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${current} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    if(interface)
      list(APPEND links ${interface})
    endif()
    foreach(lib ${links})
      # Generator expressions such as $<LINK_ONLY:x> name their library inside.
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" lib "${lib}")
      if(NOT lib IN_LIST seen)
        list(APPEND seen ${lib})
        list(APPEND queue ${lib})
      endif()
    endforeach()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(_tq612_assert_no_window_modules target)
  # Listed here, not in a variable: the check runs in the top directory's scope.
  set(window_modules Qt6::Gui Qt6::Widgets Qt6::PrintSupport Qt6::Svg Qt6::OpenGL
      Qt6::OpenGLWidgets QCustomPlotQt6::QCustomPlotQt6)
  set(links)
  _tq612_collect_links(${target} links)
  foreach(module ${window_modules})
    if(TARGET ${module})
      get_target_property(real ${module} ALIASED_TARGET)
    endif()
    if(module IN_LIST links OR (real AND real IN_LIST links))
      message(FATAL_ERROR "${target} must not link ${module}: the core and the command-line "
                          "program use Qt Core and Qt SerialPort only; windows belong in tq612-ui.")
    endif()
    unset(real)
  endforeach()
endfunction()

function(tq612_check_core_layering target)
  target_compile_options(${target} PRIVATE -include ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CoreLayer.h)
  # A deferred call reads its arguments when it runs: the name goes in now.
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL _tq612_assert_no_window_modules [[${target}]])")
endfunction()
