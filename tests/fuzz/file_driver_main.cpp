// The main of fuzz targets built without libFuzzer and without a driver of their own.
#include "tests/fuzz/file_driver.h"

int main(int argc, char** argv) { return quillmar::testing::RunFiles(argc, argv); }
