// A tiny program for the tests of started programs: writes "marker.txt" into its working folder, holding
// the words of its command line (none: "started"). Exit 0 when the file was written.
#include <cstdio>

int main(int argc, char** argv) {
  std::FILE* f = std::fopen("marker.txt", "wb");
  if (!f) return 1;
  if (argc < 2) std::fputs("started", f);
  for (int i = 1; i < argc; ++i) std::fprintf(f, i > 1 ? " %s" : "%s", argv[i]);
  return std::fclose(f) == 0 ? 0 : 1;
}
