# The settings app's own code as a library, so its unit and end-to-end tests
# link what the program links.
parvex_library(appcore ${CMAKE_CURRENT_LIST_DIR})
parvex_link(appcore services shared appkit baseui layout sparkle)

# The login-item tests need the app's code; their program is made by tests/
# after this folder, so the link is added once everything is defined.
function(parvex_app_link_unit_tests)
  if(TARGET unit_Install)
    target_link_libraries(unit_Install PRIVATE appcore services)
    # The blessing tests read the built agent.
    add_dependencies(unit_Install agent)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL parvex_app_link_unit_tests)
