# The windows of graphs, files, the data logger and real-time recording know
# the main window only through the interfaces it implements (GraphHost,
# LinkHost, ...). A file in those folders that includes the main window's
# header must be one of the main window's own files: named Main..., or
# defining TfrmMain's members. Nothing reaches back through an accessor.
#   cmake -DUI_DIR=<src/ui> -P WindowRing.cmake
set(reach_backs "")
foreach(folder files graph logger realtime)
  file(GLOB sources ${UI_DIR}/${folder}/*.cpp ${UI_DIR}/${folder}/*.h)
  foreach(source ${sources})
    file(READ ${source} text)
    get_filename_component(name ${source} NAME)
    string(REGEX MATCH "^Main" mainsOwn "${name}")
    string(FIND "${text}" "TfrmMain::instance" accessor)
    string(FIND "${text}" "#include \"app/UMain.h\"" includesMain)
    string(REGEX MATCH "\n[A-Za-z_:<>*& ]*TfrmMain::[A-Za-z_0-9]+\\(" definesMember "${text}")
    if(NOT accessor EQUAL -1 OR (NOT includesMain EQUAL -1 AND NOT definesMember AND NOT mainsOwn))
      list(APPEND reach_backs ${source})
    endif()
  endforeach()
endforeach()
if(reach_backs)
  message(FATAL_ERROR "windows reaching into the main window: ${reach_backs}")
endif()
