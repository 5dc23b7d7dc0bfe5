// vok-sim: runs the experiment of the vok demonstration without a window.
#include <iostream>

#include "sim/vok_sim.h"

int main(int argc, char** argv) { return vok::sim::runVokSim(argc, argv, std::cout, std::cerr); }
