# The station page in headless chromium against a real run (tests/web/page_test.py).
# It skips (77) where chromium is missing.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND AND TARGET velloran-cli AND TARGET velloran-sim)
  add_test(NAME web_page_in_browser
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/page_test.py ${PROJECT_BINARY_DIR})
  set_tests_properties(web_page_in_browser PROPERTIES LABELS web SKIP_RETURN_CODE 77 TIMEOUT 120)
endif()
