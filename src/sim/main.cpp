// vok-sim: runs the experiment of the vok demonstration without a window.
#include <iostream>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "sim/vok_sim.h"

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // A sweep makes and frees the same large blocks at every point. By
  // default the C library maps each anew and unmaps it when freed, and every
  // page is faulted in again (on a virtual machine about 10 us a page, some
  // 4 % of a short sweep). Kept in the heap instead, they are reused. The
  // peak stays what the largest point needs.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
  return vok::sim::runVokSim(argc, argv, std::cout, std::cerr);
}
