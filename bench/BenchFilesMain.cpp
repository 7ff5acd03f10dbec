// bench_files KIND PATH [SIZE]: writes one of the benchmark files.
//   stream PATH MB | images PATH PAGES | objects PATH COUNT | objstm PATH STREAMS | word PATH MB | large PATH
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchFiles.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: bench_files stream|images|objects|objstm|word|large PATH [SIZE]\n", stderr);
    return 2;
  }
  const std::string kind = argv[1];
  const int size = argc > 3 ? std::atoi(argv[3]) : 0;
  if (kind == "stream") {
    MakeStreamHeavyFile(argv[2], size > 0 ? size : 60);
  } else if (kind == "images") {
    MakeImageFile(argv[2], size > 0 ? size : 40);
  } else if (kind == "objects") {
    MakeObjectHeavyFile(argv[2], size > 0 ? size : 200000);
  } else if (kind == "objstm") {
    MakeObjectStreamFile(argv[2], size > 0 ? size : 2000);
  } else if (kind == "word") {
    MakeLongWordFile(argv[2], size > 0 ? size : 1000);
  } else if (kind == "large") {
    MakeLargeSparseFile(argv[2]);
  } else {
    return 2;
  }
  return 0;
}
