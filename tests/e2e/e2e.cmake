# End-to-end tests: each tests/e2e/*_test.sh drives the real torvik-master and
# torvik-sim under its own Xvfb with trayer as the tray host. Label e2e (the
# sanitizer runs skip them); screenshots land in <build>/e2e-artefacts/<test>/.
file(GLOB e2e_scripts CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_test.sh)
foreach(script ${e2e_scripts})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME e2e_${name} COMMAND bash ${script} ${PROJECT_BINARY_DIR})
  set_tests_properties(e2e_${name} PROPERTIES LABELS e2e TIMEOUT 400)
endforeach()
