// Test helper for Windows: opens a file with no sharing at all, as a program that has it in use
// does, prints "held", and keeps it open until its standard input ends.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::puts("held");
  std::fflush(stdout);
  char line[64];
  while (std::fgets(line, sizeof line, stdin)) {
  }
  CloseHandle(file);
  return 0;
}
