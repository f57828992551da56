#include "MeterSim.h"
namespace metersim {
int version() { return 1; }
}
