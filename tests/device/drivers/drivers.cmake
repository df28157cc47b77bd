# The Linux tty driver against fake sysfs trees, pseudo-terminals and bridge directories.
torvik_add_test(test_tty_driver
  temp_dir.h
  fake_sysfs.h fake_sysfs.cpp
  driver_test_support.h driver_test_support.cpp
  kernel_driver_test.cpp
  virtual_bridge_test.cpp
  concurrent_use_test.cpp
)
