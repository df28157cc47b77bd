# The engine's notice for a simulator port that refuses us for lack of permission.
torvik_add_test(test_engine_access ${CMAKE_CURRENT_LIST_DIR}/engine_access_test.cpp)
