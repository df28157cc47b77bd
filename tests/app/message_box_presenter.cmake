# The real message boxes, closed by the signals that end the session.
torvik_add_test(test_message_box_presenter ${CMAKE_CURRENT_LIST_DIR}/message_box_presenter_test.cpp GUI)
