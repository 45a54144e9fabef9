/* Exits 0 where this machine lets a program into the 32-bit code segment,
   which WoW64 needs for every 32-bit instruction, and 1 where the switch
   faults, as some virtual machines' kernels make it. Linux x86_64, GCC. */
#define _GNU_SOURCE
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

static void refused(int signal_number) {
  (void)signal_number;
  _exit(1);
}

unsigned long saved_rsp, saved_rbp;

int main(void) {
  char *stack = mmap(0, 65536, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (stack == MAP_FAILED) return 2;
  signal(SIGSEGV, refused);
  signal(SIGBUS, refused);
  /* Into the 32-bit code segment (0x23) and straight back to 0x33, on a
     stack below 4 GiB (built -no-pie, so the code is below it too); the
     64-bit registers wait in memory meanwhile. */
  __asm__ volatile(
      "movq %%rsp, saved_rsp(%%rip)\n\t"
      "movq %%rbp, saved_rbp(%%rip)\n\t"
      "movq %0, %%rsp\n\t"
      "pushq $0x23\n\t"
      "leaq 1f(%%rip), %%rax\n\t"
      "pushq %%rax\n\t"
      "lretq\n"
      ".code32\n"
      "1:\tpushl $0x33\n\t"
      "call 2f\n"
      "2:\taddl $(3f - 2b), (%%esp)\n\t"
      "lret\n"
      ".code64\n"
      "3:\tmovq saved_rsp(%%rip), %%rsp\n\t"
      "movq saved_rbp(%%rip), %%rbp\n\t"
      :
      : "r"(stack + 65536 - 64)
      : "rax", "memory");
  return 0;
}
