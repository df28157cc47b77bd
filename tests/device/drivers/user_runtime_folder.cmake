# Where the guard and the bridges meet, on made-up machines.
torvik_add_test(test_user_runtime_folder temp_dir.h user_runtime_folder_test.cpp)
