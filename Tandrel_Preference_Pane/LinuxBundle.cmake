# The pane as the real desktop's preferences host loads it: Tandrel_Preference_Pane.prefPane with
# its Info dictionary, the plug-in, the strings, the layout, the pictures and Tandrel.app in its
# resources. The plug-in carries only the pane's own code: the seam is the host's.
set(TANDREL_PANE_SOURCE ${PROJECT_SOURCE_DIR}/Tandrel_Preference_Pane)
set(TANDREL_LINUX_PANE_BUNDLE ${CMAKE_BINARY_DIR}/Tandrel_Preference_Pane.prefPane
    CACHE INTERNAL "The pane bundle for the real desktop")
set(pane_resources ${TANDREL_LINUX_PANE_BUNDLE}/Contents/Resources)

add_library(Tandrel_Preference_Pane MODULE
  ${TANDREL_PANE_SOURCE}/ComCorvantixTandrelPreferenceController.cpp
  ${TANDREL_PANE_SOURCE}/ComCorvantixTandrelEyeController.cpp
  ${TANDREL_PANE_SOURCE}/ComCorvantixTandrelPaneConnections.cpp
)
target_include_directories(Tandrel_Preference_Pane PRIVATE ${TANDREL_PANE_SOURCE}
                                                           ${PROJECT_SOURCE_DIR}/Tandrel)
target_link_libraries(Tandrel_Preference_Pane PRIVATE platform_headers)
set_target_properties(Tandrel_Preference_Pane PROPERTIES
  PREFIX "" SUFFIX ""
  LIBRARY_OUTPUT_DIRECTORY ${TANDREL_LINUX_PANE_BUNDLE}/Contents/Linux)

configure_file(${TANDREL_PANE_SOURCE}/Info.plist ${TANDREL_LINUX_PANE_BUNDLE}/Contents/Info.plist
               COPYONLY)
foreach(resource Localizable.strings TandrelPref.ui)
  configure_file(${TANDREL_PANE_SOURCE}/Resources/${resource} ${pane_resources}/${resource} COPYONLY)
endforeach()

set(pane_pictures box.png eye.png warning.png preview.png icon.png tandrel-preferences.png)
list(TRANSFORM pane_pictures PREPEND ${pane_resources}/)
add_custom_command(
  OUTPUT ${pane_pictures}
  COMMAND tandrel-pane-artwork ${pane_resources}
  DEPENDS tandrel-pane-artwork
  COMMENT "Drawing the pane's pictures")

# The daemon ships inside the pane; the pane launches it from there.
set(daemon_copy ${pane_resources}/Tandrel.app/Contents/Linux/Tandrel)
add_custom_command(
  OUTPUT ${daemon_copy}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${pane_resources}/Tandrel.app
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_BINARY_DIR}/Tandrel.app
          ${pane_resources}/Tandrel.app
  DEPENDS Tandrel $<TARGET_FILE:Tandrel>
  COMMENT "Putting Tandrel.app into the pane bundle")

add_custom_target(tandrel_pane_bundle ALL DEPENDS ${pane_pictures} ${daemon_copy})
add_dependencies(tandrel_pane_bundle Tandrel_Preference_Pane)
