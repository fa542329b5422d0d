// Adds the form-file demonstration to a prefix made by kvt-demo:
//   kvt-demo-forms PREFIX
#include <iostream>

#include "tools/demo-forms/DemoForms.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: kvt-demo-forms PREFIX\n";
    return 2;
  }
  try {
    kvt::demo::AddFormFileDemo(std::filesystem::absolute(argv[1]));
  } catch (const std::exception& e) {
    std::cerr << "kvt-demo-forms: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
