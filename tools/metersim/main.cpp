#include "MeterSim.h"
int main() { return metersim::version() == 1 ? 0 : 1; }
