// Entry point of the program stand-ins: a program that does nothing and ends
// at once. Built without the C runtime, so that each stand-in stays a few
// kilobytes: what matters about it is its version resource.
#include <windows.h>

void WINAPI ComponentStart(void) {
  ExitProcess(0);
}
