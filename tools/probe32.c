/* The 32-bit probe of tools/setup.sh and tools/test.sh: a PE32 console
   program that prints the width of its pointers, "32" where Wine runs it. */
#include <stdio.h>

int main(void) {
  printf("%d\n", (int)(sizeof(void*) * 8));
  return 0;
}
